#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "PrivateBus.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "TestObject.h"
#include "platform/bus/BusService.h"

namespace kelbrin::test {

// A private bus with the test object published on it, served while a child calls.
class BusFixture : public ::testing::Test {
 protected:
  static constexpr uid_t kNobody = 65534;

  BusFixture() {
    // An unprivileged caller must reach the bus's socket in here.
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::others_exec | std::filesystem::perms::group_exec,
        std::filesystem::perm_options::add);
  }

  // Starts the bus (a system-like one with the client's own bus policy) and publishes the
  // object on it; the bus address is also where this process and its children look for it.
  void Publish(PrivateBus::Kind kind) {
    const bool system = kind == PrivateBus::Kind::SystemLike;
    std::vector<std::filesystem::path> policies;
    if (system) policies.push_back(KELBRIN_BUS_POLICY);
    bus.emplace(dir.path(), kind, policies);
    env.emplace(system ? "DBUS_SYSTEM_BUS_ADDRESS" : "DBUS_SESSION_BUS_ADDRESS", bus->Address());
    service = std::make_unique<platform::BusService>(
        system ? platform::BusKind::System : platform::BusKind::Session, object.Object());
  }

  // `calls` in a child connected as `uid` (none: as this process), while the service is served.
  std::string Calls(std::optional<uid_t> uid, const std::function<std::string(BusProbe&)>& calls) {
    return CallFromChild(
        bus->Address(), uid, calls,
        platform::PollWait::Watch{service->Fd(), [this] { return service->Events(); },
                                  [this] { return service->Timeout(); },
                                  [this] { service->Process(); }});
  }
  std::string Call(std::optional<uid_t> uid, const std::string& method,
                   const std::vector<platform::BusValue>& args = {}, bool interactive = false) {
    return Calls(uid,
                 [&](BusProbe& probe) { return Describe(probe.Ask(method, args, interactive)); });
  }

  const TempDir dir;
  TestObject object;
  std::optional<PrivateBus> bus;
  std::optional<ScopedEnv> env;
  std::unique_ptr<platform::BusService> service;
};

}  // namespace kelbrin::test
