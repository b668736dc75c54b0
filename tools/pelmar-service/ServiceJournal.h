#pragma once

#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kelbrin::reference_service {

// One request as the service saw it. `outcome` is the Result code sent, or what happened instead
// ("http 500", "malformed", "dropped", "http 404", ...).
struct RequestRecord {
  std::string method;
  std::string path;
  std::string msgType;
  std::string user;
  std::string outcome;
};

// What the service received: the request log (kept for /control/requests and written as one line
// per request to the log stream) and the last system and network reports. Shared by the request
// threads, so every call locks.
class ServiceJournal {
 public:
  static constexpr std::size_t kMaxRequests = 10000;  // the oldest records go first

  explicit ServiceJournal(std::ostream& log) : log_(log) {}

  // Keeps the record and writes "time peer MsgType user outcome" to the log.
  void Record(const std::string& peer, RequestRecord record);
  std::vector<RequestRecord> Requests() const;

  // The last accepted report of kind `msgType` ("PostSystemInfoReq", "PostNetworkInfoReq"), kept
  // as the request body it arrived in.
  void KeepReport(const std::string& msgType, std::string body);
  std::optional<std::string> Report(const std::string& msgType) const;

  // Forgets the requests and reports (the log stream keeps its lines).
  void Clear();

 private:
  mutable std::mutex mutex_;
  std::ostream& log_;
  std::deque<RequestRecord> requests_;
  std::map<std::string, std::string> reports_;
};

}  // namespace kelbrin::reference_service
