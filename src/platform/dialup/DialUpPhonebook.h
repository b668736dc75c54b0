#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialup/DialAttempt.h"
#include "platform/dialup/NmDialUp.h"
#include "platform/dialup/Pppd.h"
#include "platform/net/LinkInterface.h"

namespace kelbrin::platform {

// The machine's dial-up phonebook over its facilities: the pppd peers, then, where the
// composition root hands one in, NetworkManager's dial-up connections. It routes each entry and
// each handle to the facility it belongs to; a pppd peer wins over a NetworkManager connection
// of the same name. A small value over facilities that outlive it.
class DialUpPhonebook {
 public:
  // Implicit from the pppd facility alone: the phonebook of a machine without NetworkManager.
  DialUpPhonebook(const Pppd& pppd, const NmDialUp* networkManager = nullptr)
      : pppd_(&pppd), networkManager_(networkManager) {}

  // The pppd peers (sorted), then NetworkManager's dial-up connections (nmcli's order), each
  // name once. 0 when either could be read, else the pppd error.
  int Entries(std::vector<std::string>& names) const;

  // Whether the entry can be dialled: a readable peer file, or a NetworkManager dial-up
  // connection.
  bool EntryDialable(const std::string& entry) const;
  std::unique_ptr<DialAttempt> StartDial(const std::string& entry, const std::string& user,
                                         const std::string& password, int& error) const;

  // pppd's links, then NetworkManager's active dial-up connections.
  std::vector<DialLink> Links() const;
  std::optional<DialLink> LinkOfHandle(DialHandle handle) const;
  // A pppd link of the entry if one runs or the entry is a pppd peer; else NetworkManager's.
  std::optional<DialLink> LinkOfEntry(const std::string& entry) const;
  // kNoSuchLink when no connection runs under `handle`.
  int HangUp(DialHandle handle) const;

  std::optional<LinkAddresses> Addresses(const std::string& interface) const;
  std::optional<LinkCounters> Counters(const std::string& interface) const;
  // How long a dial that was asked to give up may take before it is dropped.
  std::chrono::milliseconds CancelBound() const { return pppd_->Setup().hangUpBound; }

 private:
  bool PppdPeer(const std::string& entry) const;

  const Pppd* pppd_;
  const NmDialUp* networkManager_;
};

}  // namespace kelbrin::platform
