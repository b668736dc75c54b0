#include "PrivateBus.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <type_traits>

#include "ChildRun.h"

namespace kelbrin::test {

namespace {

std::string Configuration(const std::filesystem::path& socket, PrivateBus::Kind kind,
                          const std::vector<std::filesystem::path>& policies) {
  std::string text =
      "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n<busconfig>\n";
  text += std::string("  <type>") + (kind == PrivateBus::Kind::SystemLike ? "system" : "session") +
          "</type>\n";
  text += "  <listen>unix:path=" + socket.string() + "</listen>\n  <auth>EXTERNAL</auth>\n";
  if (kind == PrivateBus::Kind::SessionLike) {
    text +=
        "  <policy context=\"default\">\n    <allow user=\"*\"/>\n"
        "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
        "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n";
  } else {
    // As a system bus: every user may connect, but nobody owns or is called unless a policy says
    // so; the stand-in authority is the test's own.
    text +=
        "  <policy context=\"default\">\n    <allow user=\"*\"/>\n    <deny own=\"*\"/>\n"
        "    <deny send_type=\"method_call\"/>\n    <allow send_type=\"signal\"/>\n"
        "    <allow send_requested_reply=\"true\" send_type=\"method_return\"/>\n"
        "    <allow send_requested_reply=\"true\" send_type=\"error\"/>\n"
        "    <allow receive_type=\"method_call\"/>\n    <allow receive_type=\"method_return\"/>\n"
        "    <allow receive_type=\"error\"/>\n    <allow receive_type=\"signal\"/>\n"
        "    <allow send_destination=\"org.freedesktop.DBus\"\n"
        "           send_interface=\"org.freedesktop.DBus\"/>\n"
        "    <allow send_destination=\"org.freedesktop.DBus\"\n"
        "           send_interface=\"org.freedesktop.DBus.Introspectable\"/>\n"
        "    <allow own=\"org.freedesktop.PolicyKit1\"/>\n"
        "    <allow send_destination=\"org.freedesktop.PolicyKit1\"/>\n  </policy>\n";
    for (const auto& policy : policies) text += "  <include>" + policy.string() + "</include>\n";
  }
  return text + "</busconfig>\n";
}

// A started client connection to the bus at `address`, or nullptr.
sd_bus* Connect(const std::string& address) {
  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0 || sd_bus_set_address(bus, address.c_str()) < 0 ||
      sd_bus_set_bus_client(bus, 1) < 0 || sd_bus_start(bus) < 0) {
    sd_bus_unref(bus);
    return nullptr;
  }
  return bus;
}

// Whether the bus at `address` answers a call (not merely whether its socket exists).
bool Answers(const std::string& address) {
  sd_bus* bus = Connect(address);
  const bool answered =
      bus != nullptr &&
      sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "GetId", nullptr, nullptr, "") >= 0;
  sd_bus_flush_close_unref(bus);
  return answered;
}

// "NAME: message".
std::string ErrorLine(const sd_bus_error& error) {
  return std::string(error.name != nullptr ? error.name : "?") + ": " +
         (error.message != nullptr ? error.message : "");
}

// The basic value `message` is at, read; none when it is not at one.
std::optional<kelbrin::platform::BusValue> ReadValue(sd_bus_message* message) {
  char type = 0;
  if (sd_bus_message_peek_type(message, &type, nullptr) <= 0) return std::nullopt;
  int flag = 0;
  std::uint32_t u = 0;
  std::uint64_t t = 0;
  const char* text = nullptr;
  switch (type) {
    case 'b':
      if (sd_bus_message_read_basic(message, 'b', &flag) > 0) return flag != 0;
      break;
    case 'u':
      if (sd_bus_message_read_basic(message, 'u', &u) > 0) return u;
      break;
    case 't':
      if (sd_bus_message_read_basic(message, 't', &t) > 0) return t;
      break;
    case 's':
      if (sd_bus_message_read_basic(message, 's', &text) > 0) return std::string(text);
      break;
    default:
      break;
  }
  return std::nullopt;
}

// The rows of the "a(…)" `message` is at (empty when it is not at one).
kelbrin::platform::BusRows ReadRows(sd_bus_message* message) {
  kelbrin::platform::BusRows rows;
  char type = 0;
  const char* contents = nullptr;
  if (sd_bus_message_peek_type(message, &type, &contents) <= 0 || type != 'a' ||
      sd_bus_message_enter_container(message, 'a', contents) <= 0) {
    return rows;
  }
  const std::string row(contents + 1, std::strlen(contents) - 2);  // "(uts)" → "uts"
  while (sd_bus_message_enter_container(message, 'r', row.c_str()) > 0) {
    rows.emplace_back();
    while (auto value = ReadValue(message)) rows.back().push_back(std::move(*value));
    sd_bus_message_exit_container(message);
  }
  sd_bus_message_exit_container(message);
  return rows;
}

std::string RowsText(const kelbrin::platform::BusRows& rows) {
  std::string text;
  for (const auto& row : rows) {
    std::string cells;
    for (const auto& cell : row) cells += (cells.empty() ? "" : ",") + BusValueText(cell);
    text += "(" + cells + ")";
  }
  return text;
}

// A method call of the client's interface with `args`, ready to send.
sd_bus_message* NewCall(sd_bus* bus, const std::string& method,
                        const std::vector<kelbrin::platform::BusValue>& args, bool interactive) {
  sd_bus_message* call = nullptr;
  sd_bus_message_new_method_call(bus, &call, "net.kelbrin.Client", "/net/kelbrin/Client",
                                 "net.kelbrin.Client1", method.c_str());
  sd_bus_message_set_allow_interactive_authorization(call, interactive ? 1 : 0);
  for (const auto& arg : args) {
    std::visit(
        [call](const auto& held) {
          using Held = std::decay_t<decltype(held)>;
          if constexpr (std::is_same_v<Held, std::string>) {
            sd_bus_message_append_basic(call, 's', held.c_str());
          } else if constexpr (std::is_same_v<Held, bool>) {
            const int flag = held ? 1 : 0;
            sd_bus_message_append_basic(call, 'b', &flag);
          } else {
            sd_bus_message_append_basic(call, sizeof(Held) == 4 ? 'u' : 't', &held);
          }
        },
        arg);
  }
  return call;
}

// What `answer` (a method return or an error) says.
BusProbe::Reply ReplyOf(sd_bus_message* answer) {
  BusProbe::Reply reply;
  if (const sd_bus_error* error = sd_bus_message_get_error(answer)) {
    reply.error = ErrorLine(*error);
  } else if (!(reply.value = ReadValue(answer))) {
    reply.rows = ReadRows(answer);
  }
  return reply;
}

// The child: drops to `uid`, connects, calls, writes what came back into `out`.
[[noreturn]] void Caller(int out, const std::string& address, std::optional<uid_t> uid,
                         const std::function<std::string(BusProbe&)>& calls) {
  std::string result;
  if (uid && (setgroups(0, nullptr) != 0 || setgid(*uid) != 0 || setuid(*uid) != 0)) {
    result = "child: cannot become uid " + std::to_string(*uid);
  } else {
    try {
      BusProbe probe(address);
      result = calls(probe);
    } catch (const std::exception& failure) {
      result = std::string("child: ") + failure.what();
    }
  }
  for (std::size_t sent = 0; sent < result.size();) {
    const ssize_t written = write(out, result.data() + sent, result.size() - sent);
    if (written <= 0) break;
    sent += static_cast<std::size_t>(written);
  }
  _exit(0);
}

}  // namespace

PrivateBus::PrivateBus(const std::filesystem::path& folder, Kind kind,
                       const std::vector<std::filesystem::path>& policies) {
  const auto socket = folder / "bus";
  const auto config = folder / "bus.conf";
  std::ofstream(config) << Configuration(socket, kind, policies);
  address_ = "unix:path=" + socket.string();
  daemon_ = StartProgram(
      "/usr/bin/dbus-daemon", {"--config-file=" + config.string(), "--nofork", "--nosyslog"},
      "/dev/null", folder / "bus.log",
      {"HOME=" + folder.string(), "XDG_CONFIG_HOME=" + (folder / "config").string(),
       "XDG_STATE_HOME=" + (folder / "state").string(), "XDG_RUNTIME_DIR=" + folder.string()});
  // Ready when it answers: its socket exists a little before it accepts.
  if (daemon_ <= 0 || !WaitUntil([&] { return Answers(address_); })) {
    if (daemon_ > 0) EndWithin(daemon_, SIGTERM, std::chrono::seconds(5));
    throw std::runtime_error("dbus-daemon did not start: " + ReadFile(folder / "bus.log"));
  }
}

PrivateBus::~PrivateBus() {
  if (daemon_ > 0) EndWithin(daemon_, SIGTERM, std::chrono::seconds(5));
}

BusProbe::BusProbe(const std::string& address) : bus_(Connect(address)) {
  if (bus_ == nullptr) throw std::runtime_error("cannot connect to " + address);
}

BusProbe::~BusProbe() { sd_bus_flush_close_unref(bus_); }

std::string BusProbe::UniqueName() const {
  const char* name = nullptr;
  sd_bus_get_unique_name(bus_, &name);
  return name != nullptr ? name : "";
}

BusProbe::Reply BusProbe::Ask(const std::string& method,
                              const std::vector<platform::BusValue>& args, bool interactive) {
  sd_bus_message* call = NewCall(bus_, method, args, interactive);
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* answer = nullptr;
  Reply reply;
  if (sd_bus_call(bus_, call, 10'000'000, &error, &answer) < 0) {
    reply.error = ErrorLine(error);
    sd_bus_error_free(&error);
  } else {
    reply = ReplyOf(answer);
  }
  sd_bus_message_unref(answer);
  sd_bus_message_unref(call);
  return reply;
}

std::optional<std::string> BusProbe::Call(const std::string& method,
                                          const std::vector<platform::BusValue>& args,
                                          bool interactive) {
  return Ask(method, args, interactive).error;
}

std::pair<std::size_t, BusProbe::Reply> BusProbe::FirstOfMany(const std::string& method,
                                                              std::size_t count, bool interactive) {
  struct Heard {
    std::optional<std::pair<std::size_t, Reply>> first;
    std::vector<std::uint64_t> cookies;
  } heard;
  std::vector<sd_bus_slot*> waiting;
  for (std::size_t i = 0; i < count; ++i) {
    sd_bus_message* call = NewCall(bus_, method, {}, interactive);
    std::uint64_t cookie = 0;
    sd_bus_slot* slot = nullptr;
    sd_bus_call_async(
        bus_, &slot, call,
        [](sd_bus_message* answer, void* state, sd_bus_error*) {
          auto* seen = static_cast<Heard*>(state);
          std::uint64_t answered = 0;
          sd_bus_message_get_reply_cookie(answer, &answered);
          const auto at = std::find(seen->cookies.begin(), seen->cookies.end(), answered);
          if (!seen->first && at != seen->cookies.end()) {
            seen->first.emplace(static_cast<std::size_t>(at - seen->cookies.begin()),
                                ReplyOf(answer));
          }
          return 0;
        },
        &heard, 10'000'000);
    sd_bus_message_get_cookie(call, &cookie);
    heard.cookies.push_back(cookie);
    waiting.push_back(slot);
    sd_bus_message_unref(call);
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!heard.first && std::chrono::steady_clock::now() < end)
    Serve(std::chrono::milliseconds(50));
  // The answers still to come are not wanted (and `heard` ends here).
  for (sd_bus_slot* slot : waiting) sd_bus_slot_unref(slot);
  if (!heard.first) return {count, Reply{"no answer", std::nullopt, {}}};
  return *heard.first;
}

std::string BusProbe::Introspect() {
  sd_bus_message* answer = nullptr;
  const char* xml = nullptr;
  std::string text;
  if (sd_bus_call_method(bus_, "net.kelbrin.Client", "/net/kelbrin/Client",
                         "org.freedesktop.DBus.Introspectable", "Introspect", nullptr, &answer,
                         "") >= 0 &&
      sd_bus_message_read_basic(answer, 's', &xml) > 0) {
    text = xml;
  }
  sd_bus_message_unref(answer);
  return text;
}

void BusProbe::Listen() {
  sd_bus_add_match(
      bus_, nullptr, "type='signal',sender='net.kelbrin.Client',path='/net/kelbrin/Client'",
      [](sd_bus_message* message, void* self, sd_bus_error*) {
        std::string line = sd_bus_message_get_member(message);
        char type = 0;
        const char* contents = nullptr;
        bool first = true;
        // Basic values and rows, and the names inside PropertiesChanged's dictionary.
        while (sd_bus_message_peek_type(message, &type, &contents) > 0) {
          if (auto value = ReadValue(message)) {
            line += (first ? " " : "|") + BusValueText(*value);
            first = false;
          } else if (type == 'a' && contents[0] == '(') {
            line += first ? " " : "|";
            first = false;
            line += RowsText(ReadRows(message));
          } else if (type == 'a' && std::string(contents) == "{sv}") {
            sd_bus_message_enter_container(message, 'a', "{sv}");
            while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
              const char* name = nullptr;
              sd_bus_message_read_basic(message, 's', &name);
              line += (first ? " " : "|") + std::string(name);
              first = false;
              sd_bus_message_skip(message, "v");
              sd_bus_message_exit_container(message);
            }
            sd_bus_message_exit_container(message);
          } else {
            sd_bus_message_skip(message, nullptr);
          }
        }
        static_cast<BusProbe*>(self)->signals_.push_back(line);
        return 0;
      },
      this);
  Serve(std::chrono::milliseconds(0));
}

void BusProbe::Serve(std::chrono::milliseconds wait) {
  while (sd_bus_process(bus_, nullptr) > 0) {
  }
  if (wait.count() > 0) sd_bus_wait(bus_, static_cast<std::uint64_t>(wait.count()) * 1000);
  while (sd_bus_process(bus_, nullptr) > 0) {
  }
}

bool BusProbe::Heard(const std::string& part, std::chrono::milliseconds guard) {
  const auto end = std::chrono::steady_clock::now() + guard;
  for (;;) {
    for (const std::string& line : signals_) {
      if (line.find(part) != std::string::npos) return true;
    }
    if (std::chrono::steady_clock::now() > end) return false;
    Serve(std::chrono::milliseconds(50));
  }
}

ServedConnection::ServedConnection(const std::string& address, const std::string& what,
                                   const std::function<bool(sd_bus*)>& publish,
                                   std::function<void()> eachTurn)
    : bus_(Connect(address)), eachTurn_(std::move(eachTurn)) {
  if (bus_ == nullptr || !publish(bus_)) {
    sd_bus_flush_close_unref(bus_);
    throw std::runtime_error(what + " cannot serve on " + address);
  }
  server_ = std::thread([this] {
    while (!stop_) {
      while (sd_bus_process(bus_, nullptr) > 0) {
      }
      sd_bus_wait(bus_, 50'000);
      if (eachTurn_) eachTurn_();
    }
  });
}

ServedConnection::~ServedConnection() {
  stop_ = true;
  server_.join();
  sd_bus_flush_close_unref(bus_);
}

std::string BusValueText(const platform::BusValue& value) {
  return std::visit(
      [](const auto& held) -> std::string {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, std::string>) {
          return held;
        } else if constexpr (std::is_same_v<Held, bool>) {
          return held ? "true" : "false";
        } else {
          return std::to_string(held);
        }
      },
      value);
}

std::string Describe(const BusProbe::Reply& reply) {
  if (reply.error) return "error " + *reply.error;
  if (reply.value) return "value " + BusValueText(*reply.value);
  return reply.rows.empty() ? "empty" : "rows " + RowsText(reply.rows);
}

std::string CallFromChild(const std::string& address, std::optional<uid_t> uid,
                          const std::function<std::string(BusProbe&)>& calls,
                          const std::optional<platform::PollWait::Watch>& serving) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return "no pipe";
  const pid_t child = fork();
  if (child == 0) {
    close(pipeFds[0]);
    Caller(pipeFds[1], address, uid, calls);
  }
  close(pipeFds[1]);
  if (child < 0) {
    close(pipeFds[0]);
    return "no child";
  }
  // Until the child has said everything (its end of the pipe closes); the guard only keeps a
  // broken test from hanging.
  std::string result;
  const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  bool open = true;
  while (open && std::chrono::steady_clock::now() < guard) {
    std::vector<pollfd> fds{{pipeFds[0], POLLIN, 0}};
    auto wait = std::chrono::milliseconds(100);
    if (serving) {
      fds.push_back({serving->fd, serving->events(), 0});
      wait = std::min(serving->timeout().value_or(wait), wait);
    }
    poll(fds.data(), fds.size(), static_cast<int>(wait.count()));
    if (serving) serving->serve();
    if ((fds[0].revents & (POLLIN | POLLHUP)) != 0) {
      char buffer[4096];
      const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
      if (got > 0) result.append(buffer, static_cast<std::size_t>(got));
      open = got > 0;
    }
  }
  close(pipeFds[0]);
  if (open) result += "[child did not finish]";
  EndWithin(child, open ? SIGKILL : 0, std::chrono::seconds(5));
  return result;
}

}  // namespace kelbrin::test
