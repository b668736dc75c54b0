#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "lines/LineEnvironment.h"
#include "platform/files/CodePage.h"

namespace kelbrin::lines {

// One portal login on its own thread: fetch the probe page, cut the login form out of it, post
// it filled with the user's account. Nothing is shown or logged, whatever happens. It starts on
// construction; its owner's destruction waits for it (the transport bounds each exchange).
class TAuthTrd {
 public:
  TAuthTrd(RawRequest request, std::string probeUrl, std::string userName, std::string password,
           platform::CodePage codePage);
  ~TAuthTrd();
  TAuthTrd(const TAuthTrd&) = delete;
  TAuthTrd& operator=(const TAuthTrd&) = delete;

  bool Finished() const { return finished_.load(); }
  // 0, or -1 when the portal answered "Login Failure"; meaningful once Finished.
  int Result() const { return result_.load(); }

  // The login itself, on the calling thread: 0, or -1 on "Login Failure" in the answer.
  static int Login(const RawRequest& request, const std::string& probeUrl,
                   const std::string& userName, const std::string& password,
                   const platform::CodePage& codePage);

 private:
  std::atomic<int> result_{0};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace kelbrin::lines
