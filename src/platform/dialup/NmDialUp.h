#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialup/DialAttempt.h"
#include "platform/net/NetworkManager.h"

namespace kelbrin::platform {

struct NmDialUpSetup {
  // Private runtime folder (0700) for a dial's one-read passwd-file: the pppd dial's folder.
  std::filesystem::path privateDir;
  // How long NetworkManager may take to activate a connection (nmcli's --wait).
  std::chrono::seconds dialWait{90};
  // How long a hang-up waits for nmcli and then for the connection to be gone.
  std::chrono::milliseconds hangUpBound{30000};
};

// NetworkManager's dial-up connections (PPPoE, GSM, CDMA) as a dial-up facility, through nmcli.
// The phonebook is those connection profiles by name, a dial is `nmcli --wait N connection up id
// NAME passwd-file FILE`, a connection is an active connection under the handle -N of its D-Bus
// path .../ActiveConnection/N, a hang-up is `nmcli connection down apath PATH`. Error results are
// the codes of NmDialErrors.h and the shared ones of PppdErrors.h.
//
// NetworkManager keeps the user name in the profile: a dial uses the profile's, and says so
// (Notice) when the line names another. The password reaches nmcli only in the passwd-file
// (0600, private folder, removed when nmcli has ended); NetworkManager asks for it when the
// profile does not store its own.
class NmDialUp {
 public:
  explicit NmDialUp(NmDialUpSetup setup, NetworkManager networkManager = NetworkManager());

  const NmDialUpSetup& Setup() const { return setup_; }

  // The dial-up connections' names in nmcli's order; nullopt when NetworkManager does not answer.
  std::optional<std::vector<std::string>> Entries() const;
  bool HasEntry(const std::string& entry) const;

  // Starts the activation; nullptr with `error` set when it cannot start.
  std::unique_ptr<DialAttempt> StartDial(const std::string& entry, const std::string& user,
                                         const std::string& password, int& error) const;

  // The active dial-up connections (activating ones too, not connected yet), in nmcli's order.
  std::vector<DialLink> Links() const;
  std::optional<DialLink> LinkOfHandle(DialHandle handle) const;
  std::optional<DialLink> LinkOfEntry(const std::string& entry) const;

  // Takes the connection down and waits (bounded) until it is no longer active. 0, kNoSuchLink
  // when no connection runs under `handle`, or the deactivation failure when it stays up.
  int HangUp(DialHandle handle) const;

  // The handle of an active connection's D-Bus path; 0 when the path names none.
  static DialHandle HandleOfPath(const std::string& activePath);

 private:
  std::optional<DialLink> LinkOf(const NetworkManager::Connection& connection) const;
  std::optional<NetworkManager::Connection> ActiveProfile(DialHandle handle) const;

  NmDialUpSetup setup_;
  NetworkManager networkManager_;
};

}  // namespace kelbrin::platform
