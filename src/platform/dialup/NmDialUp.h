#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialup/DialUpFacility.h"
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
// NAME passwd-file FILE`, a connection is an active connection, known by the number N of its D-Bus
// path .../ActiveConnection/N (id N), a hang-up is `nmcli connection down apath PATH`. Error
// results are the codes of NmDialErrors.h and the shared ones of PppdErrors.h.
//
// NetworkManager keeps the user name in the profile: a dial uses the profile's, and says so
// (Notice) when the line names another. The password reaches nmcli only in the passwd-file
// (0600, private folder, removed when nmcli has ended); NetworkManager asks for it when the
// profile does not store its own.
class NmDialUp final : public DialUpFacility {
 public:
  explicit NmDialUp(NmDialUpSetup setup, NetworkManager networkManager = NetworkManager());

  const NmDialUpSetup& Setup() const { return setup_; }

  // The dial-up connections' names in nmcli's order; the code of nmcli's "not running" when
  // NetworkManager does not answer.
  int Entries(std::vector<std::string>& names) const override;
  bool HasEntry(const std::string& entry) const override;
  bool EntryDialable(const std::string& entry) const override { return HasEntry(entry); }

  // Starts the activation; nullptr with `error` set when it cannot start.
  std::unique_ptr<DialAttempt> StartDial(const std::string& entry, const std::string& user,
                                         const std::string& password, int& error) const override;

  // The active dial-up connections (activating ones too, not connected yet), in nmcli's order.
  std::vector<DialLink> Links() const override;
  std::optional<DialLink> LinkOfId(int id) const override;
  std::optional<DialLink> LinkOfEntry(const std::string& entry) const override;

  // Takes the connection down and waits (bounded) until it is no longer active. 0, kNoSuchLink
  // when no connection runs under `id`, or the deactivation failure when it stays up.
  int HangUp(int id) const override;
  std::chrono::milliseconds CancelBound() const override { return setup_.hangUpBound; }

  // The number N of an active connection's D-Bus path .../ActiveConnection/N; 0 when the path
  // names none.
  static int IdOfPath(const std::string& activePath);

 private:
  std::optional<DialLink> LinkOf(const NetworkManager::Connection& connection) const;
  std::optional<NetworkManager::Connection> ActiveProfile(int id) const;

  NmDialUpSetup setup_;
  NetworkManager networkManager_;
};

}  // namespace kelbrin::platform
