#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/Pppd.h"

namespace kelbrin::test {

// A network namespace of its own for the calling thread, with a phonebook, a run folder and a
// sysfs of that namespace, dialled through the fake pppd. Needs root and /dev/net/tun: check
// Unusable() first and skip otherwise. The destructor kills what the fake left running and
// returns the thread to its namespace.
class PppTestbed {
 public:
  PppTestbed();
  ~PppTestbed();
  PppTestbed(const PppTestbed&) = delete;
  PppTestbed& operator=(const PppTestbed&) = delete;

  // Empty when usable, else why not (the skip message).
  const std::string& Unusable() const { return unusable_; }

  // A peer file for `entry` with the fake's directives (e.g. "hang", "drop-after-ms 200").
  void AddPeer(const std::string& entry, const std::string& local, const std::string& remote,
               const std::vector<std::string>& directives = {});
  // One more option line in `entry`'s peer file.
  void AddPeerLine(const std::string& entry, const std::string& line);
  // An account the fake accepts.
  void AddAccount(const std::string& user, const std::string& password);

  platform::PppdSetup Setup(std::chrono::milliseconds hangUpBound =
                                std::chrono::milliseconds(2000)) const;
  std::filesystem::path RunDir() const { return dir_ / "run"; }
  std::filesystem::path PrivateDir() const { return dir_ / "private"; }

 private:
  TempDir dir_;
  std::string unusable_;
  int homeNamespace_ = -1;
  bool sysfsMounted_ = false;
  std::unique_ptr<ScopedEnv> peersEnv_;
  std::unique_ptr<ScopedEnv> runEnv_;
};

}  // namespace kelbrin::test
