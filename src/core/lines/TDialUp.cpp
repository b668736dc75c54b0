#include "lines/TDialUp.h"

#include <chrono>
#include <condition_variable>
#include <optional>

#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;

// How long one wait for the dial's progress lasts before it looks at an abort again.
constexpr auto kDialStep = 50ms;
// The text of a peer file that cannot be read: the entry's dial parameters are missing.
constexpr const char* kEntryUnreadable = "GetEntryDialParams failed";

}  // namespace

// The one-slot mailbox between the thread that follows an asynchronous dial and the controller's
// thread. The dial thread waits until the slot is empty, fills it and posts a delivery; the
// delivery raises OnAsyncEvent and empties the slot. A delivery that comes after the dialer has
// gone finds the relay gone and does nothing.
class TDialUp::Relay : public std::enable_shared_from_this<TDialUp::Relay> {
 public:
  Relay(TDialUp& owner, Post post) : owner_(owner), post_(std::move(post)) {}

  // Dial thread. False when interrupted before the slot became free.
  bool Notify(int state, int error) {
    {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [this] { return !pending_ || interrupted_; });
      if (interrupted_) return false;
      pending_ = true;
      state_ = state;
      error_ = error;
    }
    post_([weak = weak_from_this()] {
      if (const auto relay = weak.lock()) relay->Deliver();
    });
    return true;
  }

  // Any thread. While interrupted, a waiting or new Notify gives up at once.
  void Interrupt(bool interrupted) {
    {
      std::lock_guard lock(mutex_);
      interrupted_ = interrupted;
    }
    cv_.notify_all();
  }

 private:
  // Controller's thread.
  void Deliver() {
    int state = 0;
    int error = 0;
    {
      std::lock_guard lock(mutex_);
      if (!pending_) return;
      state = state_;
      error = error_;
    }
    struct EmptySlot {
      Relay& relay;
      ~EmptySlot() {
        {
          std::lock_guard lock(relay.mutex_);
          relay.pending_ = false;
        }
        relay.cv_.notify_all();
      }
    } emptySlot{*this};
    if (owner_.OnAsyncEvent) {
      owner_.OnAsyncEvent(owner_, state, error, owner_.StatusText(state, error));
    }
  }

  TDialUp& owner_;
  const Post post_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool pending_ = false;
  bool interrupted_ = false;
  int state_ = 0;
  int error_ = 0;
};

TDialUp::TDialUp(platform::DialUpPhonebook phonebook, Post post)
    : phonebook_(std::move(phonebook)), relay_(std::make_shared<Relay>(*this, std::move(post))) {}

TDialUp::~TDialUp() {
  AbortDial();
  StopAsyncDial();
}

TConnHandle TDialUp::ConnHandle() const {
  std::lock_guard lock(handleMutex_);
  return connHandle_;
}

void TDialUp::SetConnHandle(TConnHandle handle) {
  std::lock_guard lock(handleMutex_);
  connHandle_ = handle;
}

void TDialUp::AbortDial() {
  abort_ = true;
  relay_->Interrupt(true);
}

void TDialUp::StopAsyncDial() {
  if (!asyncDial_.joinable()) return;
  stopAsync_ = true;
  relay_->Interrupt(true);
  asyncDial_.join();
  stopAsync_ = false;
  if (!abort_) relay_->Interrupt(false);
}

int TDialUp::GetEntries() {
  entries_.clear();
  std::vector<std::string> names;
  if (const int error = phonebook_.Entries(names); error != 0) return error;
  for (const auto& name : names) {
    entries_.push_back(name);
    if (OnEntryGet) OnEntryGet(*this, name);
  }
  return 0;
}

int TDialUp::RunDial(platform::DialAttempt& dial, const std::function<void(int state)>& onState) {
  std::optional<int> result;
  std::optional<std::chrono::steady_clock::time_point> cancelDeadline;
  while (!result) {
    if ((abort_ || stopAsync_) && !cancelDeadline) {
      dial.Cancel();
      cancelDeadline = std::chrono::steady_clock::now() + phonebook_.CancelBound();
    }
    // The dial did not give up in time: dropping it ends it.
    if (cancelDeadline && std::chrono::steady_clock::now() > *cancelDeadline) {
      return platform::kDialCancelled;
    }
    result = dial.Step(kDialStep, onState);
  }
  if (cancelDeadline) return platform::kDialCancelled;
  if (*result == 0) SetConnHandle(dial.Handle());
  return *result;
}

int TDialUp::Dial() {
  HangUp();
  if (abort_) return platform::kDialCancelled;
  if (!phonebook_.EntryDialable(Entry)) {
    if (OnError) OnError(*this, platform::kPeerUnreadable, kEntryUnreadable);
    return platform::kPeerUnreadable;
  }
  SetConnHandle({});
  if (OnDialing) OnDialing(*this);
  int error = 0;
  auto dial = phonebook_.StartDial(Entry, UserName, UserPwd, error);
  if (!dial) {
    // Nothing was dialled (the facility missing, not allowed, password unusable): the owner
    // records it.
    if (OnError) OnError(*this, error, StatusText(0, error));
    return error;
  }
  TellNotice(dial->Notice());
  SetConnHandle(dial->Handle());
  if (DialMode == TDialMode::dmAsync) {
    asyncDial_ = std::thread([this, dial = std::move(dial)]() mutable {
      int last = platform::kDialOpeningPort;
      const int result = RunDial(*dial, [this, &last](int state) {
        last = state;
        relay_->Notify(state, 0);
      });
      if (result == 0) {
        relay_->Notify(platform::kDialConnected, 0);
      } else {
        SetConnHandle({});
        relay_->Notify(last, result);
      }
    });
    return 0;
  }
  const int result = RunDial(*dial, [](int) {});
  if (result != 0) {
    // A failed dial has ended; a link that came up half is taken down.
    if (const TConnHandle handle = ConnHandle(); phonebook_.LinkOfHandle(handle)) {
      HangUpConnection(handle);
    }
    SetConnHandle({});
    if (OnNotConnected) OnNotConnected(*this, result, StatusText(0, result));
  } else if (OnConnect) {
    OnConnect(*this);
  }
  return result;
}

void TDialUp::TellNotice(int notice) {
  if (notice == 0) return;
  const std::string told = std::to_string(notice) + '\n' + Entry + '\n' + UserName;
  if (told == toldNotice_) return;
  toldNotice_ = told;
  if (OnError) OnError(*this, notice, StatusText(0, notice));
}

int TDialUp::HangUp() {
  StopAsyncDial();
  return HangUpConnection(ConnHandle());
}

int TDialUp::HangUpConnection(TConnHandle handle) { return phonebook_.HangUp(handle); }

int TDialUp::GetConnectionAddresses(TConnHandle handle) {
  clientIp_.clear();
  serverIp_.clear();
  if (!handle) return 0;
  const auto link = phonebook_.LinkOfHandle(handle);
  if (!link || !link->connected) return platform::kNoSuchLink;
  const auto addresses = phonebook_.Addresses(link->interface);
  if (!addresses) return platform::kNoSuchLink;
  clientIp_ = addresses->local;
  serverIp_ = addresses->peer;
  return 0;
}

std::string TDialUp::StatusText(int state, int error) const {
  return DialStatusText(state, error, Language);
}

bool TDialUp::StatsStartStop(bool start, bool refresh) {
  (void)refresh;  // the counters are read afresh every time
  bool result = true;
  if (start) result = ReadStats();
  ResetStats();
  return result;
}

bool TDialUp::ReadStats() {
  const auto link = phonebook_.LinkOfEntry(Entry);
  if (!link || link->interface.empty()) return false;
  const auto counters = phonebook_.Counters(link->interface);
  if (!counters) return false;
  currentSent_ = counters->sent;
  currentRecv_ = counters->received;
  // Counters below the base belong to a new link: they count from a new base.
  if (currentSent_ < baseSent_) ResetStats();
  if (currentRecv_ < baseRecv_) ResetStats();
  bytesXmit_ = currentSent_ - baseSent_;
  bytesRecv_ = currentRecv_ - baseRecv_;
  return true;
}

void TDialUp::ResetStats() {
  baseSent_ = currentSent_;
  baseRecv_ = currentRecv_;
  bytesXmit_ = 0;
  bytesRecv_ = 0;
}

}  // namespace kelbrin::lines
