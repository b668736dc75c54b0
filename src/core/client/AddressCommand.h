#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelbrin::client {

// The user's program run on each new public address, as `PROGRAM ADDRESS PREVIOUS` — never
// through a shell — on a thread of its own, so the session never waits for it. Each run is
// bounded in time; at the bound or a stop the program's whole process group is killed (the
// commands a script starts too) and its output no longer read. Its exit status and first line
// of output are reported.
class AddressCommand {
 public:
  // `report(ok, text)` gets one line per run, on the command's thread.
  AddressCommand(std::string program, std::chrono::milliseconds timeout,
                 std::function<void(bool ok, std::string text)> report);
  // Stops: a run still going is ended with its process group, the thread joined.
  ~AddressCommand();
  AddressCommand(const AddressCommand&) = delete;
  AddressCommand& operator=(const AddressCommand&) = delete;

  // Queues a run with the new address and the one before it (empty for the first).
  void Run(const std::string& address, const std::string& previous);

 private:
  void Work();
  std::string RunOnce(const std::vector<std::string>& argv, bool& ok);

  const std::string program_;
  const std::chrono::milliseconds timeout_;
  const std::function<void(bool, std::string)> report_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<std::string>> queue_;
  bool stopping_ = false;
  std::thread thread_;  // last: starts once everything above is built
};

}  // namespace kelbrin::client
