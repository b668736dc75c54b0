#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/dialup/DialUpPhonebook.h"
#include "platform/dialup/NmDialUp.h"
#include "platform/dialup/Pppd.h"

namespace kelbrin::test {

// A connection profile of the fake NetworkManager (fake_nmcli.cpp).
// Every member has a default, so that a test names only those it needs.
struct NmProfile {
  std::string name = "DSL";
  std::string type = "pppoe";   // or "gsm", "cdma", or a type that does not dial
  std::string device = "eth0";  // the device it is active on (not the IP interface)
  std::string user = "";
  std::string password = "";
  std::string local = "10.70.0.1";
  std::string peer = "10.70.0.2";            // empty: the link has no peer address
  std::vector<std::string> directives = {};  // e.g. "hang", "delay-ms 300"
};

// A network namespace of its own for the calling thread, with a phonebook, a run folder and a
// sysfs of that namespace, dialled through the fake pppd; and a fake NetworkManager, reached
// through a fake nmcli once StartNetworkManager has put it on PATH. Needs root and
// /dev/net/tun: check Unusable() first and skip otherwise. The destructor kills what the fakes
// left running and returns the thread to its namespace.
class PppTestbed {
 public:
  PppTestbed();
  ~PppTestbed();
  PppTestbed(const PppTestbed&) = delete;
  PppTestbed& operator=(const PppTestbed&) = delete;

  // Empty when usable, else why not (the skip message).
  const std::string& Unusable() const { return unusable_; }

  // A peer file for `entry` with the fake's directives (e.g. "hang").
  void AddPeer(const std::string& entry, const std::string& local, const std::string& remote,
               const std::vector<std::string>& directives = {});
  // One more option line in `entry`'s peer file.
  void AddPeerLine(const std::string& entry, const std::string& line);
  // An account the fake accepts.
  void AddAccount(const std::string& user, const std::string& password);

  platform::PppdSetup Setup(std::chrono::milliseconds hangUpBound =
                                std::chrono::milliseconds(2000)) const;
  // The phonebook over the pppd facility and, where given, NetworkManager's, with the
  // namespace's sysfs for the counters.
  platform::DialUpPhonebook Phonebook(const platform::Pppd& pppd,
                                      const platform::NmDialUp* networkManager = nullptr) const;
  std::filesystem::path RunDir() const { return dir_ / "run"; }
  std::filesystem::path PrivateDir() const { return dir_ / "private"; }

  // Runs the fake pppd as another program would (`pppd call ENTRY user USER` and `arguments`;
  // no link name unless given) with `password` in an options file, and waits until it has
  // brought its link up or failed: its exit status (0: the link is up).
  int RunPppdOutside(const std::string& entry, const std::string& user, const std::string& password,
                     const std::vector<std::string>& arguments = {});

  // How many fake pppd processes were started under this test bed (a link that came up counts
  // twice: the started one and the daemon it left running).
  std::size_t FakeProcessesStarted() const;

  // The fake pppd processes started under this test bed that are still running.
  std::vector<pid_t> LiveFakes() const;

  // Puts the fake nmcli first on PATH (until the test bed goes); NetworkManager runs.
  void StartNetworkManager();
  // From now on the fake answers every call "NetworkManager is not running" (exit 8).
  void StopNetworkManager();
  void AddNmProfile(const NmProfile& profile);
  // The NetworkManager dial-up facility over the fake, with the dial's private folder.
  platform::NmDialUpSetup NmSetup(
      std::chrono::milliseconds hangUpBound = std::chrono::milliseconds(2000),
      std::chrono::seconds dialWait = std::chrono::seconds(10)) const;
  // The process that holds the active connection of `name`'s link; 0 when it is not active.
  pid_t NmLinkHolder(const std::string& name) const;
  // Every call the fake nmcli received, one a line.
  std::string NmCalls() const;

 private:
  TempDir dir_;
  std::string unusable_;
  int homeNamespace_ = -1;
  bool sysfsMounted_ = false;
  std::unique_ptr<ScopedEnv> peersEnv_;
  std::unique_ptr<ScopedEnv> runEnv_;
  std::unique_ptr<ScopedEnv> pidsEnv_;
  std::unique_ptr<ScopedEnv> nmEnv_;
  std::unique_ptr<ScopedEnv> pathEnv_;
};

}  // namespace kelbrin::test
