#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialup/DialUpFacility.h"
#include "platform/net/LinkInterface.h"

namespace kelbrin::platform {

// The machine's dial-up phonebook over its facilities, in the order the composition root hands
// them in (pppd's peers, then NetworkManager's dial-up connections where it runs). An entry
// belongs to the first facility that has it; a handle to the facility it names. A small value
// over facilities that outlive it.
class DialUpPhonebook {
 public:
  // `netClassDir` is the sysfs folder of the network interfaces the links' counters come from.
  explicit DialUpPhonebook(std::vector<const DialUpFacility*> facilities,
                           std::filesystem::path netClassDir = "/sys/class/net")
      : facilities_(std::move(facilities)), netClassDir_(std::move(netClassDir)) {}

  // Every facility's entries in facility order, each name once. 0 when some facility could be
  // read, else the first facility's error.
  int Entries(std::vector<std::string>& names) const;

  // Whether the entry's facility can dial it (its parameters can be read).
  bool EntryDialable(const std::string& entry) const;
  // kPeerUnreadable when no facility has the entry.
  std::unique_ptr<DialAttempt> StartDial(const std::string& entry, const std::string& user,
                                         const std::string& password, int& error) const;

  // Every facility's links, in facility order.
  std::vector<DialLink> Links() const;
  std::optional<DialLink> LinkOfHandle(DialHandle handle) const;
  // The entry's link in the first facility that runs one or has the entry.
  std::optional<DialLink> LinkOfEntry(const std::string& entry) const;
  // kNoSuchLink when no connection runs under `handle`.
  int HangUp(DialHandle handle) const;

  std::optional<LinkAddresses> Addresses(const std::string& interface) const;
  std::optional<LinkCounters> Counters(const std::string& interface) const;
  // How long a dial that was asked to give up may take before it is dropped.
  std::chrono::milliseconds CancelBound() const;

 private:
  // The facility that has `entry`; nullptr when none has.
  const DialUpFacility* FacilityOf(const std::string& entry) const;
  // The handle's facility if it is one of this phonebook's.
  const DialUpFacility* FacilityOf(DialHandle handle) const;

  std::vector<const DialUpFacility*> facilities_;
  std::filesystem::path netClassDir_;
};

}  // namespace kelbrin::platform
