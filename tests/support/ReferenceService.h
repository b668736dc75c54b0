#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kelbrin::test {

// The reference Pelmar service (tools/pelmar-service) in a child process on a free port of
// 127.0.0.1: the real other side of the wire for tests. The constructor returns once the service
// accepts connections (it throws std::runtime_error when it cannot start); the destructor ends it.
// If the test process dies, the service ends by itself (it stops when its standard input closes).
//
// It serves the accounts of tools/pelmar-service/accounts.xml unless told otherwise; the demo
// account is demo01 with password demo-pass (tools/pelmar-service/README.md lists all of them and
// the control commands).
//
//   kelbrin::test::ReferenceService service;
//   settings.serverUrl = service.endpoint();
//   service.control("result?code=102&count=1");  // the next request answers Result 102
//   ...
//   EXPECT_EQ(service.countRequests("ActiveTestReq"), 2);
class ReferenceService {
 public:
  struct Options {
    std::filesystem::path dataFile;  // empty: the shipped accounts
    std::filesystem::path logFile;   // empty: the service logs to the test's standard error
  };

  // One request as the service journalled it; `outcome` is the Result code sent or what happened
  // instead ("http-500", "malformed", "dropped", "http-404", ...).
  struct Request {
    std::string method;
    std::string path;
    std::string msgType;
    std::string user;
    std::string outcome;
  };

  ReferenceService();
  explicit ReferenceService(const Options& options);
  ~ReferenceService();
  ReferenceService(const ReferenceService&) = delete;
  ReferenceService& operator=(const ReferenceService&) = delete;

  int port() const { return port_; }
  std::string baseUrl() const;   // http://127.0.0.1:PORT
  std::string endpoint() const;  // http://127.0.0.1:PORT/pelmar/pelmar.dll/

  // GET /control/`command`, e.g. "delay?ms=500&count=1", "userip?ip=198.51.100.9", "drop",
  // "reset". Returns the reply body; throws std::runtime_error unless the service answers 200.
  std::string control(const std::string& command) const;
  // Ends every scripted fault and forgets the journalled requests and reports.
  void reset() const { control("reset"); }

  // The requests received since the start or the last reset, oldest first (control requests are
  // not journalled).
  std::vector<Request> requests() const;
  int countRequests(const std::string& msgType) const;

  // The body of the last accepted report, `kind` "system" or "network"; empty when none came.
  std::string lastReport(const std::string& kind) const;

 private:
  void stop();

  pid_t pid_ = -1;
  int stdinFd_ = -1;  // closing it ends the service
  int port_ = 0;
};

}  // namespace kelbrin::test
