#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialup/DialAttempt.h"

namespace kelbrin::platform {

// One dial-up facility of the machine (pppd, NetworkManager): its phonebook, its dials and the
// connections it runs. Results are 0 or an error code (PppdErrors.h, NmDialErrors.h); lists come
// through out-parameters, single finds as optionals. Links carry handles of this facility.
class DialUpFacility {
 public:
  virtual ~DialUpFacility() = default;

  // The entries' names in the facility's order; 0 or the code of why they cannot be read.
  virtual int Entries(std::vector<std::string>& names) const = 0;
  // Whether `entry` is in the facility's phonebook under exactly that name.
  virtual bool HasEntry(const std::string& entry) const = 0;
  // Whether a dial of `entry` can start: the entry is there and its parameters can be read.
  virtual bool EntryDialable(const std::string& entry) const = 0;
  // Starts a dial; nullptr with `error` set when it cannot start.
  virtual std::unique_ptr<DialAttempt> StartDial(const std::string& entry, const std::string& user,
                                                 const std::string& password, int& error) const = 0;

  // The connections the facility runs (coming up ones too).
  virtual std::vector<DialLink> Links() const = 0;
  virtual std::optional<DialLink> LinkOfId(int id) const = 0;
  virtual std::optional<DialLink> LinkOfEntry(const std::string& entry) const = 0;
  // Ends the connection `id` and waits (bounded) until it is gone; kNoSuchLink when the
  // facility runs none under `id`.
  virtual int HangUp(int id) const = 0;
  // How long a dial that was asked to give up may take before it is dropped.
  virtual std::chrono::milliseconds CancelBound() const = 0;
};

}  // namespace kelbrin::platform
