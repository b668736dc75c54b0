#include "platform/dialup/DialUpPhonebook.h"

#include <algorithm>

#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"

namespace kelbrin::platform {
namespace {

DialLink LinkOf(const PppLink& link) {
  return {link.entry, link.pid, link.interface, link.connected};
}

std::optional<DialLink> LinkOf(const std::optional<PppLink>& link) {
  return link ? std::optional<DialLink>(LinkOf(*link)) : std::nullopt;
}

// A pppd dial as the dialer follows it: pppd's log lines show the states; the link it brought
// up is found by the entry's name.
class PppdAttempt final : public DialAttempt {
 public:
  PppdAttempt(const Pppd& pppd, std::string entry, std::unique_ptr<PppdDial> dial)
      : pppd_(pppd), entry_(std::move(entry)), dial_(std::move(dial)), handle_(dial_->Pid()) {}

  std::optional<int> Step(std::chrono::milliseconds timeout,
                          const std::function<void(int state)>& onState) override {
    const auto status = dial_->Step(timeout, [&onState](std::string_view line) {
      if (const auto state = PppdLogState(line)) onState(*state);
    });
    if (!status) return std::nullopt;
    if (*status < 0) return kDialCancelled;
    if (*status != 0) return PppdExitCode(*status);
    const auto link = pppd_.LinkOfEntry(entry_);
    if (!link || !link->connected) return kLinkNotUp;
    handle_ = link->pid;
    return 0;
  }

  void Cancel() override { dial_->Cancel(); }
  DialHandle Handle() const override { return handle_; }

 private:
  const Pppd& pppd_;
  const std::string entry_;
  std::unique_ptr<PppdDial> dial_;
  DialHandle handle_;
};

}  // namespace

bool DialUpPhonebook::PppdPeer(const std::string& entry) const {
  std::vector<std::string> peers;
  return pppd_->Peers(peers) == 0 && std::find(peers.begin(), peers.end(), entry) != peers.end();
}

int DialUpPhonebook::Entries(std::vector<std::string>& names) const {
  const int pppdError = pppd_->Peers(names);
  const auto connections =
      networkManager_ ? networkManager_->Entries() : std::optional<std::vector<std::string>>();
  if (!connections) return pppdError;
  for (const auto& name : *connections) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  return 0;
}

bool DialUpPhonebook::EntryDialable(const std::string& entry) const {
  if (PppdPeer(entry)) return pppd_->PeerReadable(entry);
  return networkManager_ && networkManager_->HasEntry(entry);
}

std::unique_ptr<DialAttempt> DialUpPhonebook::StartDial(const std::string& entry,
                                                        const std::string& user,
                                                        const std::string& password,
                                                        int& error) const {
  if (!PppdPeer(entry) && networkManager_ && networkManager_->HasEntry(entry)) {
    return networkManager_->StartDial(entry, user, password, error);
  }
  auto dial = pppd_->StartDial(entry, user, password, error);
  if (!dial) return nullptr;
  return std::make_unique<PppdAttempt>(*pppd_, entry, std::move(dial));
}

std::vector<DialLink> DialUpPhonebook::Links() const {
  std::vector<DialLink> links;
  for (const auto& link : pppd_->Links()) links.push_back(LinkOf(link));
  if (networkManager_) {
    for (auto& link : networkManager_->Links()) links.push_back(std::move(link));
  }
  return links;
}

std::optional<DialLink> DialUpPhonebook::LinkOfHandle(DialHandle handle) const {
  if (handle > 0) return LinkOf(pppd_->LinkOfPid(handle));
  if (handle < 0 && networkManager_) return networkManager_->LinkOfHandle(handle);
  return std::nullopt;
}

std::optional<DialLink> DialUpPhonebook::LinkOfEntry(const std::string& entry) const {
  auto link = LinkOf(pppd_->LinkOfEntry(entry));
  if (link || !networkManager_ || PppdPeer(entry)) return link;
  return networkManager_->LinkOfEntry(entry);
}

int DialUpPhonebook::HangUp(DialHandle handle) const {
  if (handle < 0) return networkManager_ ? networkManager_->HangUp(handle) : kNoSuchLink;
  return pppd_->HangUp(handle);
}

std::optional<LinkAddresses> DialUpPhonebook::Addresses(const std::string& interface) const {
  return pppd_->Addresses(interface);
}

std::optional<LinkCounters> DialUpPhonebook::Counters(const std::string& interface) const {
  return pppd_->Counters(interface);
}

}  // namespace kelbrin::platform
