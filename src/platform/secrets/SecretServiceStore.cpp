#include "platform/secrets/SecretServiceStore.h"

#include <systemd/sd-bus.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace kelbrin::platform {
namespace {

using Clock = std::chrono::steady_clock;
using Paths = std::vector<std::string>;

constexpr char kBusName[] = "org.freedesktop.secrets";
constexpr char kServicePath[] = "/org/freedesktop/secrets";
constexpr char kServiceInterface[] = "org.freedesktop.Secret.Service";
constexpr char kCollectionInterface[] = "org.freedesktop.Secret.Collection";
constexpr char kItemInterface[] = "org.freedesktop.Secret.Item";
constexpr char kPromptInterface[] = "org.freedesktop.Secret.Prompt";
constexpr char kSessionInterface[] = "org.freedesktop.Secret.Session";
// The object path that stands for "none" (no prompt needed, no such collection).
constexpr char kNoObject[] = "/";
constexpr char kApplication[] = "kelbrin-client";
// A keyring answers at once; a call that hangs must not hang the client.
constexpr std::uint64_t kCallTimeoutUsec = 10'000'000;

struct BusClose {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
  void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
struct SlotUnref {
  void operator()(sd_bus_slot* slot) const { sd_bus_slot_unref(slot); }
};
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

void Check(int result, const std::string& what) {
  if (result < 0) throw SecretStoreError(what + ": " + std::strerror(-result));
}

std::string ReadPath(sd_bus_message* message) {
  const char* path = nullptr;
  Check(sd_bus_message_read(message, "o", &path), "unexpected reply of the Secret Service");
  return path;
}

Paths ReadPaths(sd_bus_message* message) {
  const std::string what = "unexpected reply of the Secret Service";
  Check(sd_bus_message_enter_container(message, 'a', "o"), what);
  Paths paths;
  const char* path = nullptr;
  int read = 0;
  while ((read = sd_bus_message_read(message, "o", &path)) > 0) paths.emplace_back(path);
  Check(read, what);
  Check(sd_bus_message_exit_container(message), what);
  return paths;
}

void AppendPaths(sd_bus_message* message, const Paths& paths) {
  Check(sd_bus_message_open_container(message, 'a', "o"), "cannot build a call");
  for (const std::string& path : paths) {
    Check(sd_bus_message_append(message, "o", path.c_str()), "cannot build a call");
  }
  Check(sd_bus_message_close_container(message), "cannot build a call");
}

// The attribute naming the account. The line's is another name, not a third attribute: a
// search matches every item that has the attributes asked for, whatever else it has.
const char* AccountAttribute(SecretKind kind) {
  return kind == SecretKind::Line ? "line-account" : "account";
}

// The attributes that find the item of `account` again.
void AppendAttributes(sd_bus_message* message, SecretKind kind, const std::string& account) {
  Check(sd_bus_message_append(message, "a{ss}", 2, "application", kApplication,
                              AccountAttribute(kind), account.c_str()),
        "cannot build a call");
}

// Whether the user has declined to unlock the keyring in this run.
std::atomic<bool> unlockDeclined{false};

// One conversation with the Secret Service: the session bus and a "plain" session on it, both
// closed when it goes.
class SecretSession {
 public:
  SecretSession(SecretKind kind, std::chrono::seconds promptBound)
      : kind_(kind), promptBound_(promptBound) {
    sd_bus* bus = nullptr;
    Check(sd_bus_open_user(&bus), "no session bus");
    bus_.reset(bus);
    Message call = NewCall(kServicePath, kServiceInterface, "OpenSession");
    Check(sd_bus_message_append(call.get(), "sv", "plain", "s", ""), "cannot build a call");
    Message reply = Call(call, "no Secret Service on the session bus");
    Check(sd_bus_message_skip(reply.get(), "v"), "unexpected reply of the Secret Service");
    session_ = ReadPath(reply.get());
  }

  ~SecretSession() {
    // The service also closes it when the connection goes; this only makes it prompt.
    sd_bus_call_method(bus_.get(), kBusName, session_.c_str(), kSessionInterface, "Close", nullptr,
                       nullptr, "");
  }

  SecretSession(const SecretSession&) = delete;
  SecretSession& operator=(const SecretSession&) = delete;

  // The unlocked items of `account`; its locked ones go to `locked`.
  Paths Search(const std::string& account, Paths& locked) {
    Message call = NewCall(kServicePath, kServiceInterface, "SearchItems");
    AppendAttributes(call.get(), kind_, account);
    Message reply = Call(call, "cannot search the keyring");
    Paths unlocked = ReadPaths(reply.get());
    locked = ReadPaths(reply.get());
    return unlocked;
  }

  // Unlocks `objects`, with the keyring's own prompt when it wants one. Throws when the user
  // declines or does not answer in time; from then on the run asks no more (one settings load
  // or save reads several items, and a "no" holds for all of them).
  void Unlock(const Paths& objects) {
    const std::string declined = "the keyring is locked and was not unlocked";
    if (unlockDeclined.load()) throw SecretStoreError(declined);
    Message call = NewCall(kServicePath, kServiceInterface, "Unlock");
    AppendPaths(call.get(), objects);
    Message reply = Call(call, "cannot unlock the keyring");
    ReadPaths(reply.get());
    if (!RunPrompt(ReadPath(reply.get()))) {
      unlockDeclined.store(true);
      throw SecretStoreError(declined);
    }
  }

  std::string Secret(const std::string& item) {
    Message call = NewCall(item.c_str(), kItemInterface, "GetSecret");
    Check(sd_bus_message_append(call.get(), "o", session_.c_str()), "cannot build a call");
    Message reply = Call(call, "cannot read the keyring's item");
    sd_bus_message_sensitive(reply.get());
    const std::string what = "unexpected reply of the Secret Service";
    Check(sd_bus_message_enter_container(reply.get(), 'r', "oayays"), what);
    const char* session = nullptr;
    Check(sd_bus_message_read(reply.get(), "o", &session), what);
    const void* data = nullptr;
    std::size_t size = 0;
    Check(sd_bus_message_read_array(reply.get(), 'y', &data, &size), what);  // parameters
    Check(sd_bus_message_read_array(reply.get(), 'y', &data, &size), what);  // the secret
    return std::string(static_cast<const char*>(data), size);
  }

  // The collection new items go to, unlocked.
  std::string DefaultCollection() {
    Message call = NewCall(kServicePath, kServiceInterface, "ReadAlias");
    Check(sd_bus_message_append(call.get(), "s", "default"), "cannot build a call");
    Message reply = Call(call, "cannot find the default keyring");
    std::string collection = ReadPath(reply.get());
    if (collection == kNoObject)
      throw SecretStoreError("the Secret Service has no default keyring");
    int locked = 0;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    const int read =
        sd_bus_get_property_trivial(bus_.get(), kBusName, collection.c_str(), kCollectionInterface,
                                    "Locked", &error, 'b', &locked);
    sd_bus_error_free(&error);
    Check(read, "cannot ask whether the keyring is locked");
    if (locked) Unlock({collection});
    return collection;
  }

  void CreateItem(const std::string& collection, const std::string& account,
                  const std::string& secret) {
    Message call = NewCall(collection.c_str(), kCollectionInterface, "CreateItem");
    sd_bus_message* m = call.get();
    sd_bus_message_sensitive(m);
    const std::string what = "cannot build a call";
    const std::string label =
        std::string(kind_ == SecretKind::Line ? "Kelbrin client line password of "
                                              : "Kelbrin client password of ") +
        account;
    Check(sd_bus_message_open_container(m, 'a', "{sv}"), what);
    Check(sd_bus_message_append(m, "{sv}", "org.freedesktop.Secret.Item.Label", "s", label.c_str()),
          what);
    Check(sd_bus_message_open_container(m, 'e', "sv"), what);
    Check(sd_bus_message_append(m, "s", "org.freedesktop.Secret.Item.Attributes"), what);
    Check(sd_bus_message_open_container(m, 'v', "a{ss}"), what);
    AppendAttributes(m, kind_, account);
    Check(sd_bus_message_close_container(m), what);
    Check(sd_bus_message_close_container(m), what);
    Check(sd_bus_message_close_container(m), what);
    Check(sd_bus_message_open_container(m, 'r', "oayays"), what);
    Check(sd_bus_message_append(m, "o", session_.c_str()), what);
    Check(sd_bus_message_append_array(m, 'y', "", 0), what);
    Check(sd_bus_message_append_array(m, 'y', secret.data(), secret.size()), what);
    Check(sd_bus_message_append(m, "s", "text/plain"), what);
    Check(sd_bus_message_close_container(m), what);
    Check(sd_bus_message_append(m, "b", 1), what);  // replace the item of the same attributes
    Message reply = Call(call, "the keyring refused the password");
    const std::string item = ReadPath(reply.get());
    if (item == kNoObject && !RunPrompt(ReadPath(reply.get()))) {
      throw SecretStoreError("the keyring did not take the password");
    }
  }

  void Delete(const std::string& item) {
    Message call = NewCall(item.c_str(), kItemInterface, "Delete");
    Message reply = Call(call, "the keyring refused to forget the password");
    if (!RunPrompt(ReadPath(reply.get()))) {
      throw SecretStoreError("the keyring did not forget the password");
    }
  }

 private:
  Message NewCall(const char* path, const char* interface, const char* member) {
    sd_bus_message* call = nullptr;
    Check(sd_bus_message_new_method_call(bus_.get(), &call, kBusName, path, interface, member),
          "cannot build a call");
    return Message(call);
  }

  Message Call(const Message& call, const std::string& what) {
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int result = sd_bus_call(bus_.get(), call.get(), kCallTimeoutUsec, &error, &reply);
    if (result < 0) {
      const std::string why = error.message ? error.message : std::strerror(-result);
      sd_bus_error_free(&error);
      throw SecretStoreError(what + ": " + why);
    }
    return Message(reply);
  }

  // Shows the prompt `prompt` and waits for its end: true when the user went along with it (or
  // no prompt was needed), false when they dismissed it or did not answer within the bound.
  bool RunPrompt(const std::string& prompt) {
    if (prompt == kNoObject) return true;
    struct Outcome {
      bool completed = false;
      bool dismissed = true;
    } outcome;
    const auto onCompleted = [](sd_bus_message* signal, void* data, sd_bus_error*) {
      auto* result = static_cast<Outcome*>(data);
      int dismissed = 1;
      if (sd_bus_message_read(signal, "b", &dismissed) < 0) dismissed = 1;
      result->dismissed = dismissed != 0;
      result->completed = true;
      return 0;
    };
    sd_bus_slot* slot = nullptr;
    Check(sd_bus_match_signal(bus_.get(), &slot, nullptr, prompt.c_str(), kPromptInterface,
                              "Completed", onCompleted, &outcome),
          "cannot wait for the keyring's prompt");
    const std::unique_ptr<sd_bus_slot, SlotUnref> match(slot);
    Message call = NewCall(prompt.c_str(), kPromptInterface, "Prompt");
    Check(sd_bus_message_append(call.get(), "s", ""), "cannot build a call");
    Call(call, "the keyring's prompt failed");
    const auto deadline = Clock::now() + promptBound_;
    while (!outcome.completed) {
      const int processed = sd_bus_process(bus_.get(), nullptr);
      Check(processed, "lost the session bus");
      if (processed > 0) continue;
      const auto left =
          std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
      if (left.count() <= 0) {
        sd_bus_call_method(bus_.get(), kBusName, prompt.c_str(), kPromptInterface, "Dismiss",
                           nullptr, nullptr, "");
        return false;
      }
      Check(sd_bus_wait(bus_.get(), static_cast<std::uint64_t>(left.count())),
            "lost the session bus");
    }
    return !outcome.dismissed;
  }

  SecretKind kind_;
  std::chrono::seconds promptBound_;
  std::unique_ptr<sd_bus, BusClose> bus_;
  std::string session_ = kNoObject;
};

}  // namespace

SecretServiceStore::SecretServiceStore(SecretKind kind, std::chrono::seconds promptBound)
    : kind_(kind), promptBound_(promptBound) {}

std::optional<std::string> SecretServiceStore::Load(const std::string& account) {
  SecretSession session(kind_, promptBound_);
  Paths locked;
  Paths items = session.Search(account, locked);
  if (items.empty() && !locked.empty()) {
    session.Unlock(locked);
    items = locked;
  }
  if (items.empty()) return std::nullopt;
  return session.Secret(items.front());
}

void SecretServiceStore::Save(const std::string& account, const std::string& secret) {
  SecretSession session(kind_, promptBound_);
  session.CreateItem(session.DefaultCollection(), account, secret);
}

void SecretServiceStore::Remove(const std::string& account) {
  SecretSession session(kind_, promptBound_);
  Paths locked;
  Paths items = session.Search(account, locked);
  if (!locked.empty()) {
    session.Unlock(locked);
    items.insert(items.end(), locked.begin(), locked.end());
  }
  for (const std::string& item : items) session.Delete(item);
}

}  // namespace kelbrin::platform
