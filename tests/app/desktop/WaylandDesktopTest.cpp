// The desktop on a Wayland compositor with no X display at all (weston's headless backend): it
// starts on Qt's Wayland plugin, logs in with the saved password, and its tray icon registers
// with the StatusNotifierWatcher on the session bus (a stand-in on a bus of the test's own).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "ChildRun.h"
#include "PrivateBus.h"
#include "ReferenceService.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kelbrin::test::ReadFile;

// Answers as a tray host's watcher does: a host is there, and items register with it.
class StandInWatcher {
 public:
  explicit StandInWatcher(const std::string& address)
      : connection_(address, "the stand-in StatusNotifierWatcher", [this](sd_bus* bus) {
          return sd_bus_add_object_vtable(bus, nullptr, "/StatusNotifierWatcher",
                                          "org.kde.StatusNotifierWatcher", kWatcher, this) >= 0 &&
                 sd_bus_request_name(bus, "org.kde.StatusNotifierWatcher", 0) >= 0;
        }) {}

  std::vector<std::string> Registered() const {
    std::lock_guard lock(mutex_);
    return items_;
  }

 private:
  static int OnRegister(sd_bus_message* call, void* self, sd_bus_error*) {
    const char* item = nullptr;
    if (sd_bus_message_read_basic(call, 's', &item) < 0) return -EINVAL;
    auto* watcher = static_cast<StandInWatcher*>(self);
    {
      std::lock_guard lock(watcher->mutex_);
      // As the watcher records it: the service name, or the caller's name for a bare path.
      watcher->items_.push_back(item[0] == '/' ? std::string(sd_bus_message_get_sender(call)) + item
                                               : item);
    }
    return sd_bus_reply_method_return(call, "");
  }
  static int OnHostRegistered(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                              void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "b", 1);
  }
  static int OnProtocolVersion(sd_bus*, const char*, const char*, const char*,
                               sd_bus_message* reply, void*, sd_bus_error*) {
    return sd_bus_message_append(reply, "i", 0);
  }
  static int OnItems(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                     void* self, sd_bus_error*) {
    const std::vector<std::string> items = static_cast<StandInWatcher*>(self)->Registered();
    int result = sd_bus_message_open_container(reply, 'a', "s");
    for (const std::string& item : items) {
      if (result >= 0) result = sd_bus_message_append_basic(reply, 's', item.c_str());
    }
    return result < 0 ? result : sd_bus_message_close_container(reply);
  }

  static constexpr sd_bus_vtable kWatcher[] = {
      SD_BUS_VTABLE_START(0),
      SD_BUS_METHOD("RegisterStatusNotifierItem", "s", "", OnRegister, SD_BUS_VTABLE_UNPRIVILEGED),
      SD_BUS_PROPERTY("IsStatusNotifierHostRegistered", "b", OnHostRegistered, 0,
                      SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_PROPERTY("ProtocolVersion", "i", OnProtocolVersion, 0, SD_BUS_VTABLE_PROPERTY_CONST),
      SD_BUS_PROPERTY("RegisteredStatusNotifierItems", "as", OnItems, 0, 0),
      SD_BUS_VTABLE_END,
  };

  mutable std::mutex mutex_;
  std::vector<std::string> items_;
  kelbrin::test::ServedConnection connection_;  // last: stops serving before the rest goes
};

// weston with its headless backend, its socket in `runtimeDir`; ended with the test.
class HeadlessWeston {
 public:
  static constexpr const char* kSocket = "wayland-kelbrin-test";

  explicit HeadlessWeston(const fs::path& runtimeDir) {
    fs::create_directories(runtimeDir);
    ::chmod(runtimeDir.c_str(), 0700);  // a runtime folder must be its owner's alone
    pid_ = kelbrin::test::StartProgram(
        "/usr/bin/weston",
        {"--backend=headless-backend.so", std::string("--socket=") + kSocket, "--idle-time=0",
         "--no-config"},
        "/dev/null", runtimeDir.parent_path() / "weston.err",
        {"XDG_RUNTIME_DIR=" + runtimeDir.string(), "WAYLAND_DISPLAY=", "DISPLAY="});
    ready_ =
        pid_ > 0 && kelbrin::test::WaitUntil([&] { return fs::exists(runtimeDir / kSocket); }, 20s);
  }
  ~HeadlessWeston() {
    if (pid_ > 0) kelbrin::test::EndWithin(pid_, SIGTERM, 10s);
  }
  bool Ready() const { return ready_; }

 private:
  pid_t pid_ = -1;
  bool ready_ = false;
};

// One line of the client's state report ("KEY=VALUE"), or empty.
std::string ReportValue(const fs::path& report, const std::string& key) {
  std::istringstream lines(ReadFile(report));
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(key + "=")) return line.substr(key.size() + 1);
  }
  return {};
}

TEST(WaylandDesktopTest, LogsInOnAHeadlessWestonAndItsTrayIconRegisters) {
  if (!fs::exists("/usr/bin/weston")) {
    GTEST_SKIP() << "weston is not installed (scripts/setup installs it)";
  }
  kelbrin::test::TempDir dir;
  fs::create_directories(dir / "bus");
  const kelbrin::test::PrivateBus bus(dir / "bus", kelbrin::test::PrivateBus::Kind::SessionLike);
  const StandInWatcher watcher(bus.Address());
  const kelbrin::test::ReferenceService service;
  const HeadlessWeston weston(dir / "run");
  ASSERT_TRUE(weston.Ready()) << ReadFile(dir / "weston.err");

  // The program's own folders; no X display, nor a platform chosen by hand: the desktop finds
  // its Wayland plugin itself. No keyring on the bus: the password is kept in the settings file.
  const std::vector<std::string> environment{
      "DBUS_SESSION_BUS_ADDRESS=" + bus.Address(),
      "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent",
      "XDG_RUNTIME_DIR=" + (dir / "run").string(),
      std::string("WAYLAND_DISPLAY=") + HeadlessWeston::kSocket,
      "DISPLAY=",
      "QT_QPA_PLATFORM=",
      "XDG_SESSION_TYPE=",
      "HOME=" + (dir / "home").string()};
  const std::vector<std::string> common{"--endpoint",    service.endpoint(),
                                        "--config-root", (dir / "config").string(),
                                        "--time-scale",  "0.01"};

  std::ofstream(dir / "password") << "demo-pass\n";
  std::vector<std::string> save = common;
  save.insert(save.end(), {"--once", "--user", "demo01", "--password-stdin", "--save"});
  const pid_t saving = kelbrin::test::StartProgram(KELBRIN_CLIENT_EXECUTABLE, save,
                                                   dir / "password", dir / "save.err", environment);
  ASSERT_EQ(kelbrin::test::EndWithin(saving, 0, 60s), 0) << ReadFile(dir / "save.err");

  const int loginsBefore = service.countRequests("QueryUserProfileReq");

  std::vector<std::string> desktop = common;
  desktop.insert(desktop.end(), {"--state-report", (dir / "report").string()});
  const pid_t client = kelbrin::test::StartProgram(KELBRIN_CLIENT_EXECUTABLE, desktop, "/dev/null",
                                                   dir / "desktop.err", environment);
  ASSERT_GT(client, 0);
  const bool online = kelbrin::test::WaitUntil(
      [&] { return ReportValue(dir / "report", "TrayHint").ends_with("-- Online"); }, 60s);
  const bool registered =
      kelbrin::test::WaitUntil([&] { return !watcher.Registered().empty(); }, 30s);
  const int status = kelbrin::test::EndWithin(client, SIGTERM, 20s);
  const std::string err = ReadFile(dir / "desktop.err");

  EXPECT_TRUE(online) << "state report:\n" << ReadFile(dir / "report") << "\nstderr:\n" << err;
  EXPECT_TRUE(registered) << err;
  EXPECT_EQ(ReportValue(dir / "report", "TrayHost"), "1");
  EXPECT_GT(service.countRequests("QueryUserProfileReq"), loginsBefore);
  EXPECT_EQ(status, 0) << err;
  EXPECT_EQ(err.find("platform plugin"), std::string::npos) << err;
}

// Qt aborts when its platform plugin is missing; the desktop says instead, in one line, what to
// install, and ends with a failure status.
TEST(WaylandDesktopTest, WithoutAPluginForTheDisplayItSaysWhatToInstall) {
  kelbrin::test::TempDir dir;
  const pid_t client = kelbrin::test::StartProgram(
      KELBRIN_CLIENT_EXECUTABLE, {"--config-root", (dir / "config").string()}, "/dev/null",
      dir / "desktop.err",
      {"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent",
       "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent", "DISPLAY=",
       "WAYLAND_DISPLAY=wayland-kelbrin-none", "QT_QPA_PLATFORM=wayland-no-such-integration"});
  ASSERT_GT(client, 0);
  EXPECT_EQ(kelbrin::test::EndWithin(client, 0, 60s), 1);
  EXPECT_EQ(ReadFile(dir / "desktop.err"),
            "kelbrin-client: no Qt platform plugin for this display; install qt6-wayland\n");
}

}  // namespace
