#include "platform/dialup/DialUpPhonebook.h"

#include <algorithm>

#include "platform/dialup/PppdErrors.h"

namespace kelbrin::platform {

const DialUpFacility* DialUpPhonebook::FacilityOf(const std::string& entry) const {
  for (const auto* facility : facilities_) {
    if (facility->HasEntry(entry)) return facility;
  }
  return nullptr;
}

const DialUpFacility* DialUpPhonebook::FacilityOf(DialHandle handle) const {
  if (!handle) return nullptr;
  const auto found = std::find(facilities_.begin(), facilities_.end(), handle.facility);
  return found != facilities_.end() ? *found : nullptr;
}

int DialUpPhonebook::Entries(std::vector<std::string>& names) const {
  names.clear();
  std::optional<int> firstError;
  bool anyRead = false;
  for (const auto* facility : facilities_) {
    std::vector<std::string> own;
    if (const int error = facility->Entries(own); error != 0) {
      if (!firstError) firstError = error;
      continue;
    }
    anyRead = true;
    for (auto& name : own) {
      if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.push_back(std::move(name));
      }
    }
  }
  return anyRead || !firstError ? 0 : *firstError;
}

bool DialUpPhonebook::EntryDialable(const std::string& entry) const {
  const auto* facility = FacilityOf(entry);
  return facility != nullptr && facility->EntryDialable(entry);
}

std::unique_ptr<DialAttempt> DialUpPhonebook::StartDial(const std::string& entry,
                                                        const std::string& user,
                                                        const std::string& password,
                                                        int& error) const {
  const auto* facility = FacilityOf(entry);
  if (facility == nullptr) {
    error = kPeerUnreadable;
    return nullptr;
  }
  return facility->StartDial(entry, user, password, error);
}

std::vector<DialLink> DialUpPhonebook::Links() const {
  std::vector<DialLink> links;
  for (const auto* facility : facilities_) {
    for (auto& link : facility->Links()) links.push_back(std::move(link));
  }
  return links;
}

std::optional<DialLink> DialUpPhonebook::LinkOfHandle(DialHandle handle) const {
  const auto* facility = FacilityOf(handle);
  return facility != nullptr ? facility->LinkOfId(handle.id) : std::nullopt;
}

std::optional<DialLink> DialUpPhonebook::LinkOfEntry(const std::string& entry) const {
  for (const auto* facility : facilities_) {
    if (auto link = facility->LinkOfEntry(entry)) return link;
    if (facility->HasEntry(entry)) return std::nullopt;
  }
  return std::nullopt;
}

int DialUpPhonebook::HangUp(DialHandle handle) const {
  const auto* facility = FacilityOf(handle);
  return facility != nullptr ? facility->HangUp(handle.id) : kNoSuchLink;
}

std::optional<LinkAddresses> DialUpPhonebook::Addresses(const std::string& interface) const {
  return InterfaceAddresses(interface);
}

std::optional<LinkCounters> DialUpPhonebook::Counters(const std::string& interface) const {
  return InterfaceCounters(netClassDir_, interface);
}

std::chrono::milliseconds DialUpPhonebook::CancelBound() const {
  std::chrono::milliseconds bound{0};
  for (const auto* facility : facilities_) bound = std::max(bound, facility->CancelBound());
  return bound;
}

}  // namespace kelbrin::platform
