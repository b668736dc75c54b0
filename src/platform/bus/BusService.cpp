#include "platform/bus/BusService.h"

#include <systemd/sd-bus.h>
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kelbrin::platform {

namespace {

constexpr const char* kAccessDenied = "org.freedesktop.DBus.Error.AccessDenied";
constexpr const char* kFailed = "org.freedesktop.DBus.Error.Failed";

std::string ErrorText(int negativeErrno) { return std::strerror(-negativeErrno); }

int Append(sd_bus_message* message, const BusValue& value) {
  if (const bool* flag = std::get_if<bool>(&value)) {
    const int asInt = *flag ? 1 : 0;
    return sd_bus_message_append_basic(message, 'b', &asInt);
  }
  if (const std::int32_t* number = std::get_if<std::int32_t>(&value)) {
    return sd_bus_message_append_basic(message, 'i', number);
  }
  return sd_bus_message_append_basic(message, 's', std::get<std::string>(value).c_str());
}

// Reads the arguments of `signature` ("s" and "b" only); none when they do not match.
std::optional<std::vector<BusValue>> ReadArgs(sd_bus_message* call, const std::string& signature) {
  std::vector<BusValue> args;
  for (const char type : signature) {
    if (type == 'b') {
      int flag = 0;
      if (sd_bus_message_read_basic(call, 'b', &flag) <= 0) return std::nullopt;
      args.emplace_back(flag != 0);
    } else {
      const char* text = nullptr;
      if (sd_bus_message_read_basic(call, 's', &text) <= 0) return std::nullopt;
      args.emplace_back(std::string(text));
    }
  }
  return args;
}

}  // namespace

struct BusService::Callbacks {
  static int OnMethod(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnProperty(sd_bus* bus, const char* path, const char* interface, const char* property,
                        sd_bus_message* reply, void* self, sd_bus_error* error);
  static int OnAuthorization(sd_bus_message* reply, void* pending, sd_bus_error* error);
};

// A method call waiting for polkit's answer.
struct BusService::PendingCall {
  BusService* service;
  const BusMethod* method;
  sd_bus_message* call;  // referenced
  std::vector<BusValue> args;
};

BusService::BusService(BusKind kind, BusObject object) : kind_(kind), object_(std::move(object)) {
  const int opened = kind_ == BusKind::System ? sd_bus_open_system(&bus_) : sd_bus_open_user(&bus_);
  if (opened < 0) {
    bus_ = nullptr;
    throw BusError(std::string(kind_ == BusKind::System ? "system" : "session") +
                   " bus: " + ErrorText(opened));
  }
  vtable_.push_back(SD_BUS_VTABLE_START(0));
  for (const auto& [name, value] : object_.properties) {
    static constexpr const char* kSignatures[] = {"b", "i", "s"};
    vtable_.push_back(SD_BUS_PROPERTY(name.c_str(), kSignatures[value.index()],
                                      Callbacks::OnProperty, 0,
                                      SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE));
  }
  outSignatures_.reserve(object_.methods.size());
  for (const BusMethod& method : object_.methods) {
    outSignatures_.push_back(method.rowWidth == 0 ? std::string()
                                                  : "a(" + std::string(method.rowWidth, 's') + ")");
    vtable_.push_back(SD_BUS_METHOD(method.name.c_str(), method.inSignature.c_str(),
                                    outSignatures_.back().c_str(), Callbacks::OnMethod,
                                    SD_BUS_VTABLE_UNPRIVILEGED));
  }
  for (const BusSignal& signal : object_.signals) {
    vtable_.push_back(SD_BUS_SIGNAL(signal.name.c_str(), signal.signature.c_str(), 0));
  }
  vtable_.push_back(SD_BUS_VTABLE_END);

  int result = sd_bus_add_object_vtable(bus_, &slot_, object_.path.c_str(),
                                        object_.interface.c_str(), vtable_.data(), this);
  if (result >= 0) result = sd_bus_request_name(bus_, object_.busName.c_str(), 0);
  if (result < 0) {
    sd_bus_slot_unref(slot_);
    sd_bus_flush_close_unref(bus_);
    bus_ = nullptr;
    throw BusError(object_.busName + ": " + ErrorText(result));
  }
}

BusService::~BusService() {
  sd_bus_slot_unref(slot_);
  for (const auto& pending : pending_) sd_bus_message_unref(pending->call);
  sd_bus_flush_close_unref(bus_);  // also drops the polkit calls still under way
}

void BusService::SetProperty(const std::string& name, BusValue value) {
  auto it = object_.properties.find(name);
  if (it == object_.properties.end() || it->second == value) return;
  it->second = std::move(value);
  sd_bus_emit_properties_changed(bus_, object_.path.c_str(), object_.interface.c_str(),
                                 name.c_str(), nullptr);
}

void BusService::Emit(const std::string& signal, const std::vector<BusValue>& args) {
  sd_bus_message* message = nullptr;
  if (sd_bus_message_new_signal(bus_, &message, object_.path.c_str(), object_.interface.c_str(),
                                signal.c_str()) < 0) {
    return;
  }
  bool appended = true;
  for (const BusValue& arg : args) appended = appended && Append(message, arg) >= 0;
  if (appended) sd_bus_send(bus_, message, nullptr);
  sd_bus_message_unref(message);
}

int BusService::Fd() const { return sd_bus_get_fd(bus_); }

short BusService::Events() const {
  const int events = sd_bus_get_events(bus_);
  return static_cast<short>(events < 0 ? 0 : events);
}

std::optional<std::chrono::milliseconds> BusService::Timeout() const {
  std::uint64_t until = 0;
  if (sd_bus_get_timeout(bus_, &until) < 0 || until == UINT64_MAX) return std::nullopt;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::uint64_t nowUs = static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
  if (until <= nowUs) return std::chrono::milliseconds(0);
  return std::chrono::milliseconds((until - nowUs + 999) / 1000);
}

bool BusService::Process() {
  for (;;) {
    const int result = sd_bus_process(bus_, nullptr);
    if (result < 0) return false;
    if (result == 0) return true;
  }
}

int BusService::Callbacks::OnProperty(sd_bus*, const char*, const char*, const char* property,
                                      sd_bus_message* reply, void* self, sd_bus_error*) {
  const auto* service = static_cast<BusService*>(self);
  const auto it = service->object_.properties.find(property);
  if (it == service->object_.properties.end()) return -ENOENT;
  return Append(reply, it->second);
}

int BusService::Callbacks::OnMethod(sd_bus_message* call, void* self, sd_bus_error* error) {
  auto* service = static_cast<BusService*>(self);
  const char* member = sd_bus_message_get_member(call);
  const auto method = std::find_if(service->object_.methods.begin(), service->object_.methods.end(),
                                   [member](const BusMethod& m) { return m.name == member; });
  if (method == service->object_.methods.end()) return -ENOENT;
  auto args = ReadArgs(call, method->inSignature);
  if (!args) {
    return sd_bus_error_set(error, SD_BUS_ERROR_INVALID_ARGS, "arguments do not match");
  }
  if (method->action.empty() || service->kind_ == BusKind::Session) {
    service->Run(*method, call, *args);
    return 1;
  }
  // polkit decides, asked for the caller by its bus name; the call waits for the answer.
  sd_bus_message* check = nullptr;
  int result = sd_bus_message_new_method_call(
      service->bus_, &check, "org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
      "org.freedesktop.PolicyKit1.Authority", "CheckAuthorization");
  const std::uint32_t kAllowUserInteraction = 1;
  if (result >= 0) {
    result = sd_bus_message_append(check, "(sa{sv})sa{ss}us", "system-bus-name", 1, "name", "s",
                                   sd_bus_message_get_sender(call), method->action.c_str(), 0,
                                   kAllowUserInteraction, "");
  }
  if (result >= 0) {
    auto pending = std::make_unique<PendingCall>(
        PendingCall{service, &*method, sd_bus_message_ref(call), std::move(*args)});
    // polkit may wait for the user to authenticate: no time-out of our own beyond sd-bus's.
    result = sd_bus_call_async(service->bus_, nullptr, check, Callbacks::OnAuthorization,
                               pending.get(), UINT64_MAX);
    if (result >= 0) {
      service->pending_.push_back(std::move(pending));
    } else {
      sd_bus_message_unref(pending->call);
    }
  }
  sd_bus_message_unref(check);
  if (result < 0) {
    return sd_bus_error_setf(error, kAccessDenied, "Authorization could not be checked: %s",
                             ErrorText(result).c_str());
  }
  return 1;
}

int BusService::Callbacks::OnAuthorization(sd_bus_message* reply, void* pendingCall,
                                           sd_bus_error*) {
  auto* pending = static_cast<PendingCall*>(pendingCall);
  BusService* service = pending->service;
  const sd_bus_error* failure = sd_bus_message_get_error(reply);
  int authorized = 0;
  int challenge = 0;
  if (failure != nullptr) {
    sd_bus_reply_method_errorf(pending->call, kAccessDenied,
                               "Authorization could not be checked: %s",
                               failure->message != nullptr ? failure->message : failure->name);
  } else if (sd_bus_message_enter_container(reply, 'r', "bba{ss}") < 0 ||
             sd_bus_message_read(reply, "bb", &authorized, &challenge) < 0) {
    sd_bus_reply_method_errorf(pending->call, kAccessDenied,
                               "Authorization could not be checked: unreadable answer");
  } else if (!authorized) {
    sd_bus_reply_method_errorf(pending->call, kAccessDenied, "Not authorized: %s",
                               pending->method->action.c_str());
  } else {
    service->Run(*pending->method, pending->call, pending->args);
  }
  sd_bus_message_unref(pending->call);
  service->pending_.remove_if([pending](const auto& entry) { return entry.get() == pending; });
  return 0;
}

void BusService::Run(const BusMethod& method, sd_bus_message* call,
                     const std::vector<BusValue>& args) {
  std::vector<std::vector<std::string>> rows;
  try {
    rows = method.run(args);
  } catch (const std::exception& refusal) {
    sd_bus_reply_method_errorf(call, kFailed, "%s", refusal.what());
    return;
  }
  sd_bus_message* reply = nullptr;
  if (sd_bus_message_new_method_return(call, &reply) < 0) return;
  const std::string row = "(" + std::string(method.rowWidth, 's') + ")";
  bool built = true;
  if (method.rowWidth > 0) {
    built = sd_bus_message_open_container(reply, 'a', row.c_str()) >= 0;
    for (const auto& cells : rows) {
      built = built && sd_bus_message_open_container(reply, 'r',
                                                     row.substr(1, method.rowWidth).c_str()) >= 0;
      for (std::size_t i = 0; built && i < method.rowWidth; ++i) {
        built =
            sd_bus_message_append_basic(reply, 's', i < cells.size() ? cells[i].c_str() : "") >= 0;
      }
      built = built && sd_bus_message_close_container(reply) >= 0;
    }
    built = built && sd_bus_message_close_container(reply) >= 0;
  }
  if (built) sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
}

}  // namespace kelbrin::platform
