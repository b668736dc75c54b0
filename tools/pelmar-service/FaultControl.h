#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace kelbrin::reference_service {

// Query parameters of a control request (the same type as httplib::Params).
using ControlParams = std::multimap<std::string, std::string>;

// What the scripted faults do to one request.
struct FaultPlan {
  std::chrono::milliseconds delay{0};
  std::optional<int> httpStatus;
  bool malformedXml = false;
  bool dropConnection = false;
  std::optional<std::string> resultCode;
  std::optional<std::string> userIp;
  std::optional<std::string> latestVersion;
};

// The faults a test has scripted through /control/. Each fault holds until reset, or for the next
// `count` requests it applies to; `msg` limits it to one message kind. Arming a fault again
// replaces it. Shared by the request threads, so every call locks.
class FaultControl {
 public:
  // Arms the fault `name` ("delay", "status", "malformed", "drop", "result", "userip", "version")
  // from its parameters. False when there is no such fault; throws std::invalid_argument when a
  // parameter is missing or malformed.
  bool Arm(std::string_view name, const ControlParams& params);

  // The faults that apply to a request of kind `msgType`; the request counts against each.
  FaultPlan Take(const std::string& msgType);

  void Reset();

 private:
  struct Armed {
    std::string value;
    std::optional<long> remaining;  // none: until reset
    std::string msgType;            // empty: every kind
  };

  std::mutex mutex_;
  std::map<std::string, Armed, std::less<>> armed_;
};

}  // namespace kelbrin::reference_service
