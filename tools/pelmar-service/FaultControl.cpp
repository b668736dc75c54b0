#include "FaultControl.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace kelbrin::reference_service {
namespace {

// How each fault is scripted: the parameter that carries its value (none for on/off faults), the
// value when that parameter is left out (empty: required), the valid range of a numeric value,
// the one message kind it is about (empty: every kind), and what it does to a request.
struct FaultSpec {
  std::string_view name;
  std::string_view valueParam;
  std::string_view defaultValue;
  std::optional<std::pair<long, long>> numericRange;
  std::string_view onlyKind;
  void (*apply)(const std::string& value, FaultPlan& plan);
};

constexpr FaultSpec kFaults[] = {
    {"delay", "ms", "", std::pair<long, long>{0, 600000}, "",
     [](const std::string& value, FaultPlan& plan) {
       plan.delay = std::chrono::milliseconds(std::stol(value));
     }},
    {"status", "code", "500", std::pair<long, long>{100, 599}, "",
     [](const std::string& value, FaultPlan& plan) { plan.httpStatus = std::stoi(value); }},
    {"malformed", "", "", std::nullopt, "",
     [](const std::string&, FaultPlan& plan) { plan.malformedXml = true; }},
    {"drop", "", "", std::nullopt, "",
     [](const std::string&, FaultPlan& plan) { plan.dropConnection = true; }},
    {"result", "code", "", std::nullopt, "",
     [](const std::string& value, FaultPlan& plan) { plan.resultCode = value; }},
    {"userip", "ip", "", std::nullopt, "ActiveTestReq",
     [](const std::string& value, FaultPlan& plan) { plan.userIp = value; }},
    {"version", "value", "", std::nullopt, "GetVersionReq",
     [](const std::string& value, FaultPlan& plan) { plan.latestVersion = value; }},
};

const FaultSpec* FindSpec(std::string_view name) {
  auto found = std::find_if(std::begin(kFaults), std::end(kFaults),
                            [&](const FaultSpec& spec) { return spec.name == name; });
  return found == std::end(kFaults) ? nullptr : found;
}

std::optional<std::string> Param(const ControlParams& params, std::string_view key) {
  auto found = params.find(std::string(key));
  if (found == params.end()) return std::nullopt;
  return found->second;
}

long ParseNumber(const std::string& text, std::string_view what, long low, long high) {
  long number = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, number);
  if (text.empty() || error != std::errc() || stop != end || number < low || number > high) {
    throw std::invalid_argument(std::string(what) + " must be a number from " +
                                std::to_string(low) + " to " + std::to_string(high));
  }
  return number;
}

}  // namespace

bool FaultControl::Arm(std::string_view name, const ControlParams& params) {
  const FaultSpec* spec = FindSpec(name);
  if (spec == nullptr) return false;

  Armed armed;
  if (!spec->valueParam.empty()) {
    std::optional<std::string> value = Param(params, spec->valueParam);
    if (!value && spec->defaultValue.empty()) {
      throw std::invalid_argument(std::string(name) + " needs the parameter " +
                                  std::string(spec->valueParam));
    }
    armed.value = value.value_or(std::string(spec->defaultValue));
    if (spec->numericRange) {
      ParseNumber(armed.value, spec->valueParam, spec->numericRange->first,
                  spec->numericRange->second);
    }
  }
  if (std::optional<std::string> count = Param(params, "count")) {
    armed.remaining = ParseNumber(*count, "count", 1, 1000000);
  }
  armed.msgType = Param(params, "msg").value_or(std::string(spec->onlyKind));
  if (!spec->onlyKind.empty() && armed.msgType != spec->onlyKind) {
    throw std::invalid_argument(std::string(name) + " applies to " + std::string(spec->onlyKind) +
                                " only");
  }

  std::lock_guard lock(mutex_);
  armed_.insert_or_assign(std::string(name), std::move(armed));
  return true;
}

FaultPlan FaultControl::Take(const std::string& msgType) {
  FaultPlan plan;
  std::lock_guard lock(mutex_);
  for (auto it = armed_.begin(); it != armed_.end();) {
    Armed& armed = it->second;
    if (!armed.msgType.empty() && armed.msgType != msgType) {
      ++it;
      continue;
    }
    FindSpec(it->first)->apply(armed.value, plan);
    if (armed.remaining && --*armed.remaining == 0) {
      it = armed_.erase(it);
    } else {
      ++it;
    }
  }
  return plan;
}

void FaultControl::Reset() {
  std::lock_guard lock(mutex_);
  armed_.clear();
}

}  // namespace kelbrin::reference_service
