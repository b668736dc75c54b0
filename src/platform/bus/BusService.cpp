#include "platform/bus/BusService.h"

#include <malloc.h>
#include <systemd/sd-bus.h>
#include <time.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "platform/bus/BusMessageValues.h"
#include "platform/bus/BusText.h"
#include "platform/bus/CallerIdentity.h"
#include "platform/bus/PolkitQuestion.h"

namespace kelbrin::platform {

namespace {

// glibc's default mmap threshold.
constexpr int kLargeBlock = 128 * 1024;

std::string ErrorText(int negativeErrno) { return std::strerror(-negativeErrno); }

// Whether `name` is a D-Bus error name ("a.b.C": two or more elements of letters, digits and
// "_", none starting with a digit). sd-bus sends any name, and the bus daemon drops the
// connection that sends an invalid one.
bool IsErrorName(std::string_view name) {
  if (name.empty() || name.size() > 255) return false;
  std::size_t elements = 0;
  for (std::size_t start = 0; start <= name.size();) {
    const std::size_t end = std::min(name.find('.', start), name.size());
    const std::string_view element = name.substr(start, end - start);
    const auto word = [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    };
    if (element.empty() || std::isdigit(static_cast<unsigned char>(element[0])) ||
        !std::all_of(element.begin(), element.end(), word)) {
      return false;
    }
    ++elements;
    start = end + 1;
  }
  return elements >= 2;
}

// Answers `call` with the error `name` (Failed when it is none) and `text` as valid UTF-8.
void ReplyError(sd_bus_message* call, const std::string& name, const std::string& text) {
  const std::string safeText = BusSafeText(text);
  const sd_bus_error error =
      SD_BUS_ERROR_MAKE_CONST(IsErrorName(name) ? name.c_str() : kBusErrorFailed, safeText.c_str());
  sd_bus_reply_method_error(call, &error);
}

// A method's reply: nothing, one basic value or rows, as its out argument declares.
int AppendReply(sd_bus_message* reply, const std::vector<BusArg>& out,
                const BusMethod::Reply& result) {
  return std::visit(
      [&](const auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::monostate>) {
          return out.empty() ? 0 : -EINVAL;
        } else {
          return out.size() == 1 ? AppendBusArg(reply, out[0].type, value) : -EINVAL;
        }
      },
      result);
}

std::string BusLabel(BusKind kind) {
  return kind == BusKind::System ? "system bus" : "session bus";
}

}  // namespace

struct BusService::Callbacks {
  static int OnMethod(sd_bus_message* call, void* self, sd_bus_error* error);
  static int OnProperty(sd_bus* bus, const char* path, const char* interface, const char* property,
                        sd_bus_message* reply, void* self, sd_bus_error* error);
  static int OnAuthorization(sd_bus_message* reply, void* pending, sd_bus_error* error);
  // Whether `method` may run for the caller of `call` without asking polkit.
  static bool Admitted(const BusService& service, const BusMethod& method, sd_bus_message* call);
};

// A method call waiting for polkit's answer: its arguments are checked and bounded, so holding
// the call and their copies costs little.
struct BusService::PendingCall {
  PendingCall(BusService* owner, const BusMethod* called, sd_bus_message* message,
              std::vector<BusValue> values)
      : service(owner),
        method(called),
        call(sd_bus_message_ref(message)),
        args(std::move(values)) {}
  ~PendingCall() {
    sd_bus_slot_unref(question);  // an unanswered question's answer is not wanted any more
    sd_bus_message_unref(call);
  }
  PendingCall(const PendingCall&) = delete;
  PendingCall& operator=(const PendingCall&) = delete;

  BusService* service;
  const BusMethod* method;
  sd_bus_message* call;
  std::vector<BusValue> args;
  sd_bus_slot* question = nullptr;
};

BusService::BusService(BusKind kind, BusObject object) : kind_(kind), object_(std::move(object)) {
  // Any caller may send a message of many megabytes, and sd-bus reads each whole into one block.
  // glibc gives a block that large its own mapping, but once such a mapping is freed it raises
  // its threshold to that size, so the next ones come from the heap and stay resident after they
  // are freed (measured: 10 MiB after a few 10 MiB calls). Its own default threshold, fixed,
  // keeps every large block a mapping that goes back to the system when freed.
  mallopt(M_MMAP_THRESHOLD, kLargeBlock);
  // Kept by the vtable, which points at them.
  const auto keep = [this](std::string text) {
    return vtableTexts_.emplace_back(std::move(text)).c_str();
  };
  vtable_.push_back(SD_BUS_VTABLE_START(0));
  for (const auto& [name, value] : object_.properties) {
    static constexpr const char* kSignatures[] = {"b", "u", "t", "s"};
    vtable_.push_back(SD_BUS_PROPERTY(name.c_str(), kSignatures[value.index()],
                                      Callbacks::OnProperty, 0,
                                      SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE));
  }
  for (const BusMethod& method : object_.methods) {
    if (method.out.size() > 1) {
      throw std::runtime_error(method.name + ": more than one out argument");
    }
    for (const BusArg& arg : method.in) {
      if (arg.type.size() != 1 ||
          std::string_view("buts").find(arg.type[0]) == std::string_view::npos) {
        throw std::runtime_error(method.name + ": argument " + arg.name + " is not b, u, t or s");
      }
    }
    // Anyone may send: who may run the method is decided per call (Callbacks::Admitted). The in
    // and out names are one text, so the macro's out names are left empty.
    vtable_.push_back(SD_BUS_METHOD_WITH_NAMES(method.name.c_str(), keep(BusSignatureOf(method.in)),
                                               keep(BusNamesOf(method.in) + BusNamesOf(method.out)),
                                               keep(BusSignatureOf(method.out)), ,
                                               Callbacks::OnMethod, SD_BUS_VTABLE_UNPRIVILEGED));
  }
  for (const BusSignal& signal : object_.signals) {
    vtable_.push_back(SD_BUS_SIGNAL_WITH_NAMES(
        signal.name.c_str(), keep(BusSignatureOf(signal.args)), keep(BusNamesOf(signal.args)), 0));
  }
  vtable_.push_back(SD_BUS_VTABLE_END);

  int result = kind_ == BusKind::System ? sd_bus_open_system(&bus_) : sd_bus_open_user(&bus_);
  if (result < 0) {
    bus_ = nullptr;
    throw std::runtime_error(BusLabel(kind_) + ": " + ErrorText(result));
  }
  result = sd_bus_add_object_vtable(bus_, &slot_, object_.path.c_str(), object_.interface.c_str(),
                                    vtable_.data(), this);
  if (result >= 0) {
    result = sd_bus_request_name(
        bus_, object_.busName.c_str(),
        object_.yieldsName ? SD_BUS_NAME_ALLOW_REPLACEMENT : SD_BUS_NAME_REPLACE_EXISTING);
  }
  if (result < 0) {
    slot_ = sd_bus_slot_unref(slot_);
    bus_ = sd_bus_flush_close_unref(bus_);
    throw std::runtime_error(object_.busName + " on the " + BusLabel(kind_) + ": " +
                             ErrorText(result));
  }
}

BusService::~BusService() {
  pending_.clear();
  sd_bus_slot_unref(slot_);
  sd_bus_flush_close_unref(bus_);
}

void BusService::SetProperties(const BusProperties& values) {
  for (const auto& [name, value] : values) {
    const auto it = object_.properties.find(name);
    if (it == object_.properties.end() || it->second.index() != value.index()) {
      throw std::invalid_argument(object_.interface + " has no property " + name + " of type " +
                                  BusTypeOf(value));
    }
  }
  std::vector<char*> changed;
  for (const auto& [name, value] : values) {
    const auto it = object_.properties.find(name);
    if (it->second == value) continue;
    it->second = value;
    changed.push_back(const_cast<char*>(it->first.c_str()));
  }
  if (changed.empty()) return;
  changed.push_back(nullptr);
  // One signal for the whole change; a lost connection shows in Process().
  sd_bus_emit_properties_changed_strv(bus_, object_.path.c_str(), object_.interface.c_str(),
                                      changed.data());
}

void BusService::Emit(const std::string& signal,
                      const std::vector<std::variant<BusValue, BusRows>>& args) {
  const auto declared = std::find_if(object_.signals.begin(), object_.signals.end(),
                                     [&](const BusSignal& s) { return s.name == signal; });
  if (declared == object_.signals.end() || declared->args.size() != args.size()) {
    throw std::invalid_argument(object_.interface + " has no signal " + signal + " with " +
                                std::to_string(args.size()) + " arguments");
  }
  sd_bus_message* message = nullptr;
  int result = sd_bus_message_new_signal(bus_, &message, object_.path.c_str(),
                                         object_.interface.c_str(), signal.c_str());
  for (std::size_t i = 0; result >= 0 && i < args.size(); ++i) {
    result = std::visit(
        [&](const auto& value) { return AppendBusArg(message, declared->args[i].type, value); },
        args[i]);
  }
  if (result >= 0) sd_bus_send(bus_, message, nullptr);  // a lost connection shows in Process()
  sd_bus_message_unref(message);
  if (result == -EINVAL) {
    throw std::invalid_argument(signal + ": arguments not of the declared types");
  }
}

std::string BusService::UniqueName() const {
  const char* name = nullptr;
  return sd_bus_get_unique_name(bus_, &name) >= 0 && name != nullptr ? name : "";
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
  return AppendBusValue(reply, it->second);
}

bool BusService::Callbacks::Admitted(const BusService& service, const BusMethod& method,
                                     sd_bus_message* call) {
  // The session bus admits nobody but its own user; root needs nobody's permission, so a
  // machine without polkitd stays manageable.
  return method.action.empty() || service.kind_ == BusKind::Session || CallerHasRootIdentity(call);
}

int BusService::Callbacks::OnMethod(sd_bus_message* call, void* self, sd_bus_error*) {
  auto* service = static_cast<BusService*>(self);
  const std::string_view member = sd_bus_message_get_member(call);
  const auto method = std::find_if(service->object_.methods.begin(), service->object_.methods.end(),
                                   [member](const BusMethod& m) { return m.name == member; });
  if (method == service->object_.methods.end()) return -ENOENT;  // sd-bus dispatches only ours

  // Bad input is refused before anyone is asked or anything is kept; sd-bus releases the
  // message as soon as this returns.
  BusArgsRead args = ReadBusArgs(call, method->in);
  if (args.breach) {
    ReplyError(call, kBusErrorInvalidArgs, *args.breach);
    return 1;
  }
  if (Admitted(*service, *method, call)) {
    service->Run(*method, call, args.values);
    return 1;
  }
  if (service->pending_.size() >= kMaxPendingAuthorizations) {
    ReplyError(call, kBusErrorLimitsExceeded,
               "Too many calls wait for authorization; try again later");
    return 1;
  }
  auto pending = std::make_unique<PendingCall>(service, &*method, call, std::move(args.values));
  const int asked = AskPolkit(service->bus_, call, method->action, Callbacks::OnAuthorization,
                              pending.get(), &pending->question);
  if (asked < 0) {
    ReplyError(call, kBusErrorAccessDenied,
               "Authorization could not be checked: " + ErrorText(asked));
    return 1;
  }
  service->pending_.push_back(std::move(pending));
  return 1;
}

int BusService::Callbacks::OnAuthorization(sd_bus_message* reply, void* pendingCall,
                                           sd_bus_error*) {
  auto* pending = static_cast<PendingCall*>(pendingCall);
  BusService* service = pending->service;
  const BusMethod& method = *pending->method;
  std::string why;
  switch (ReadPolkitVerdict(reply, why)) {
    case PolkitVerdict::Allowed:
      service->Run(method, pending->call, pending->args);
      break;
    case PolkitVerdict::Refused:
      ReplyError(
          pending->call, kBusErrorAccessDenied,
          method.deniedText.empty() ? "Not authorized: " + method.action : method.deniedText);
      break;
    case PolkitVerdict::Unchecked:
      ReplyError(pending->call, kBusErrorAccessDenied,
                 "Authorization could not be checked: " + why);
      break;
  }
  service->pending_.remove_if([pending](const auto& entry) { return entry.get() == pending; });
  return 0;
}

void BusService::Run(const BusMethod& method, sd_bus_message* call,
                     const std::vector<BusValue>& args) {
  BusMethod::Reply result;
  try {
    result = method.run(args);
  } catch (const BusError& refusal) {
    ReplyError(call, refusal.name, refusal.what());
    return;
  } catch (const std::exception& failure) {
    ReplyError(call, kBusErrorFailed, failure.what());
    return;
  } catch (...) {
    ReplyError(call, kBusErrorFailed, "Unexpected failure");
    return;
  }
  sd_bus_message* reply = nullptr;
  int sent = sd_bus_message_new_method_return(call, &reply);
  if (sent >= 0) sent = AppendReply(reply, method.out, result);
  if (sent >= 0) sent = sd_bus_send(nullptr, reply, nullptr);
  sd_bus_message_unref(reply);
  // Never silence: the caller hears why there is no reply.
  if (sent < 0)
    ReplyError(call, kBusErrorFailed, "The reply could not be built: " + ErrorText(sent));
}

}  // namespace kelbrin::platform
