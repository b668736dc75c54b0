#include "runtime/Pace.h"

#include <algorithm>
#include <cmath>

namespace kelbrin::runtime {

namespace {
Duration Scale(Duration d, double factor) {
  const double ms = std::round(static_cast<double>(d.count()) * factor);
  return Duration(std::max<Duration::rep>(1, static_cast<Duration::rep>(ms)));
}
}  // namespace

Pace Pace::Scaled(double factor) const {
  Pace p = *this;
  for (Duration* d :
       {&p.ipWaitStep,        &p.ipIdleCheck,      &p.addressChangeSettle, &p.addressChangeSpacing,
        &p.autoLogonWaitStep, &p.serviceListDelay, &p.sysInfoInterval,     &p.lineStateFirst,
        &p.lineStateInterval, &p.alertFirst,       &p.alertInterval,       &p.remindFirst,
        &p.remindInterval,    &p.lineKeepInterval, &p.hangUpBound,         &p.popupSlideStep,
        &p.popupDelay,        &p.resolveTimeout,   &p.connectTimeout,      &p.sendTimeout,
        &p.receiveTimeout}) {
    *d = Scale(*d, factor);
  }
  return p;
}

}  // namespace kelbrin::runtime
