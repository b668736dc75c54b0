#include "PrivateBus.h"

#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <fstream>
#include <stdexcept>

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
        "  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
        "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n";
  } else {
    // As a system bus: nobody owns or is called unless a policy says so; the stand-in authority
    // is the test's own.
    text +=
        "  <policy context=\"default\">\n    <deny own=\"*\"/>\n"
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

}  // namespace

PrivateBus::PrivateBus(const std::filesystem::path& folder, Kind kind,
                       const std::vector<std::filesystem::path>& policies) {
  const auto socket = folder / "bus";
  const auto config = folder / "bus.conf";
  std::ofstream(config) << Configuration(socket, kind, policies);
  address_ = "unix:path=" + socket.string();
  daemon_ = StartProgram("/usr/bin/dbus-daemon",
                         {"--config-file=" + config.string(), "--nofork", "--nosyslog"},
                         "/dev/null", folder / "bus.log");
  if (daemon_ <= 0 || !WaitUntil([&] { return std::filesystem::exists(socket); })) {
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

std::optional<std::string> BusProbe::Call(const std::string& method, const std::string& signature,
                                          const std::vector<std::string>& args) {
  sd_bus_message* call = nullptr;
  sd_bus_message_new_method_call(bus_, &call, "net.kelbrin.Client", "/net/kelbrin/Client",
                                 "net.kelbrin.Client1", method.c_str());
  for (std::size_t i = 0; i < signature.size() && i < args.size(); ++i) {
    if (signature[i] == 'b') {
      const int flag = args[i] == "true" ? 1 : 0;
      sd_bus_message_append_basic(call, 'b', &flag);
    } else {
      sd_bus_message_append_basic(call, 's', args[i].c_str());
    }
  }
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  const int result = sd_bus_call(bus_, call, 10'000'000, &error, &reply);
  std::optional<std::string> failure;
  if (result < 0) {
    failure = std::string(error.name != nullptr ? error.name : "?") + ": " +
              (error.message != nullptr ? error.message : "");
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_message_unref(call);
  return failure;
}

void BusProbe::Listen() {
  sd_bus_add_match(
      bus_, nullptr, "type='signal',sender='net.kelbrin.Client',path='/net/kelbrin/Client'",
      [](sd_bus_message* message, void* self, sd_bus_error*) {
        std::string line = sd_bus_message_get_member(message);
        char type = 0;
        const char* contents = nullptr;
        bool first = true;
        // String arguments, and the names inside PropertiesChanged's dictionary.
        while (sd_bus_message_peek_type(message, &type, &contents) > 0) {
          if (type == 's') {
            const char* text = nullptr;
            sd_bus_message_read_basic(message, 's', &text);
            line += (first ? " " : "|") + std::string(text);
            first = false;
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
                                   const std::function<bool(sd_bus*)>& publish)
    : bus_(Connect(address)) {
  if (bus_ == nullptr || !publish(bus_)) {
    sd_bus_flush_close_unref(bus_);
    throw std::runtime_error(what + " cannot serve on " + address);
  }
  server_ = std::thread([this] {
    while (!stop_) {
      while (sd_bus_process(bus_, nullptr) > 0) {
      }
      sd_bus_wait(bus_, 50'000);
    }
  });
}

ServedConnection::~ServedConnection() {
  stop_ = true;
  server_.join();
  sd_bus_flush_close_unref(bus_);
}

}  // namespace kelbrin::test
