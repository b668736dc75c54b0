#pragma once

#include "runtime/Clock.h"

namespace kelbrin::runtime {

using namespace std::chrono_literals;

// Every interval of the system in one value, with the defaults of the product. `Scaled()`
// multiplies all of them (the --time-scale option of the demo and end-to-end tests).
struct Pace {
  // IP update worker: an active test, then `ipWaitSteps` waits of `ipWaitStep`; idle gate check.
  int ipWaitSteps = 40;
  Duration ipWaitStep = 1000ms;
  Duration ipIdleCheck = 1000ms;
  // After a change of a local address or of the default route, the extra active test waits
  // `addressChangeSettle` for the change to settle (later changes ride on the same test), and
  // never goes out sooner than `addressChangeSpacing` after the previous extra test.
  Duration addressChangeSettle = 1000ms;
  Duration addressChangeSpacing = 2000ms;

  // Auto-logon worker: one pass, then `autoLogonWaitSteps` waits of `autoLogonWaitStep`.
  int autoLogonWaitSteps = 10;
  Duration autoLogonWaitStep = 1000ms;

  // Service-list worker: pause before its single fetch.
  Duration serviceListDelay = 1000ms;

  // Main window timers.
  Duration sysInfoInterval = 1800000ms;
  Duration lineStateFirst = 20000ms;
  Duration lineStateInterval = 8000ms;
  Duration alertFirst = 60000ms;
  Duration alertInterval = 10000ms;
  Duration remindFirst = 60000ms;
  Duration remindInterval = 75000ms;

  // Line keep-alive worker check, and the bound on waiting for a hang-up.
  Duration lineKeepInterval = 10000ms;
  Duration hangUpBound = 30000ms;

  // Notification popup: one slide step of 5 px, and the time it stays up.
  Duration popupSlideStep = 10ms;
  Duration popupDelay = 5000ms;

  // Transport time-outs of one exchange.
  Duration resolveTimeout = 5000ms;
  Duration connectTimeout = 5000ms;
  Duration sendTimeout = 10000ms;
  Duration receiveTimeout = 10000ms;

  // Every interval multiplied by `factor` (> 0); an interval never drops below 1 ms.
  Pace Scaled(double factor) const;
};

}  // namespace kelbrin::runtime
