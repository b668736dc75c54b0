// What both sides of the bus share: the facts as typed properties and back, the service's status
// file, and what --status --json and --health make of them.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "app/bus/ClientInterface.h"
#include "app/bus/StatusFile.h"
#include "app/commands/StatusCommand.h"
#include "platform/dialup/Pppd.h"

namespace kelbrin::app {
namespace {

using namespace std::chrono;
using session::SessionState;

session::SessionFacts OnlineFacts() {
  session::SessionFacts facts;
  facts.state = SessionState::Online;
  facts.userName = "demo01";
  facts.account = session::AccountFacts{"normal", "formal", "100001", sys_days(2027y / 1 / 31)};
  facts.paymentDue = true;
  facts.address = "198.51.100.9";
  facts.addressSince = sys_days(2026y / 12 / 11) + 9h + 30min;
  facts.domainCount = 3;
  facts.savePassword = true;
  facts.reportSystemInfo = false;
  return facts;
}

TEST(ClientInterface, FactsTravelAsTypedPropertiesAndBack) {
  const LineFacts line{"Lan", "eth0", "", true, LineState::Connected};
  const platform::BusProperties properties = PropertiesOf(OnlineFacts(), line);
  EXPECT_EQ(std::get<std::uint32_t>(properties.at("State")), 2u);
  EXPECT_EQ(std::get<std::uint64_t>(properties.at("Deadline")), 1801353600000000u);
  EXPECT_EQ(std::get<std::string>(properties.at("AccountType")), "formal");

  const session::SessionFacts back = SessionFactsOf(properties);
  EXPECT_EQ(back.state, SessionState::Online);
  EXPECT_EQ(back.userName, "demo01");
  ASSERT_TRUE(back.account);
  EXPECT_EQ(back.account->deadline, sys_days(2027y / 1 / 31));
  EXPECT_EQ(back.account->type, "formal");
  EXPECT_EQ(back.addressSince, OnlineFacts().addressSince);
  EXPECT_TRUE(back.paymentDue);
  EXPECT_FALSE(back.reportSystemInfo);
  EXPECT_EQ(LineFactsOf(properties).state, LineState::Connected);
  EXPECT_EQ(LineFactsOf(properties).name, "eth0");

  // A state a newer service may add, and values of another type, read as the defaults.
  const session::SessionFacts odd =
      SessionFactsOf({{"State", std::uint32_t{42}}, {"UserName", true}});
  EXPECT_EQ(odd.state, SessionState::LoggedOut);
  EXPECT_EQ(odd.userName, "");
}

TEST(StatusFile, KeepsTheTypesAndOneLinePerProperty) {
  platform::BusProperties properties = PropertiesOf(OnlineFacts(), {});
  properties["LastError"] = std::string("two\nlines\x1b[2J");
  const std::string text = StatusFileText(properties);
  EXPECT_NE(text.find("State=u:2\n"), std::string::npos);
  EXPECT_NE(text.find("LastError=s:two\\nlines\\x1B[2J\n"), std::string::npos);

  platform::BusProperties back = ParseStatusFile(text + "junk\nState=x:1\nDomainCount=u:-1\n");
  EXPECT_EQ(back.at("LastError"), platform::BusValue(std::string("two\\nlines\\x1B[2J")));
  back.erase("LastError");
  properties.erase("LastError");
  EXPECT_EQ(back, properties);
}

TEST(StatusFile, LivesInTheRuntimeFolderSystemdGives) {
  const test::ScopedEnv runtime("RUNTIME_DIRECTORY", "/run/kelbrin-client:/run/other");
  EXPECT_EQ(StatusFilePath(), std::filesystem::path("/run/kelbrin-client/status"));
  const test::ScopedEnv none("RUNTIME_DIRECTORY", "");
  const test::ScopedEnv user("XDG_RUNTIME_DIR", "/run/user/1000");
  EXPECT_EQ(StatusFilePath(), std::filesystem::path("/run/user/1000/kelbrin-client/status"));
  // One private folder: the dial's password files beside the status file.
  EXPECT_EQ(StatusFilePath()->parent_path(), platform::PppdSetup::DefaultPrivateDir());
}

TEST(StatusJson, IsOneObjectWithTheStateAndTheAddress) {
  platform::BusProperties properties =
      PropertiesOf(OnlineFacts(), {"Lan", "eth0", "", true, LineState::Connected});
  properties["LastError"] = std::string("say \"no\"\n");
  EXPECT_EQ(StatusJson(properties),
            "{\"state\":\"online\",\"stateNumber\":2,\"user\":\"demo01\",\"userId\":\"100001\","
            "\"accountType\":\"formal\",\"address\":\"198.51.100.9\","
            "\"addressSince\":\"2026-12-11T09:30:00Z\",\"deadline\":\"2027-01-31T00:00:00Z\","
            "\"paymentDue\":true,\"domains\":3,"
            "\"line\":{\"kind\":\"Lan\",\"name\":\"eth0\",\"state\":\"connected\"},"
            "\"lastError\":\"say \\\"no\\\"\\u000a\",\"lastAnswer\":null}\n");
}

// Without any bus, --status and --health read the file the service keeps.
TEST(StatusFile, StatusAndHealthWorkWithoutABus) {
  const test::TempDir dir;
  const test::ScopedEnv runtime("RUNTIME_DIRECTORY", dir.path().string());
  const test::ScopedEnv session("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "none").string());
  const test::ScopedEnv system("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (dir / "none").string());
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(CheckHealth(std::nullopt, out, err), kExitNoClient);

  session::SessionFacts facts = OnlineFacts();
  {
    StatusFileWriter writer;
    writer.Update(PropertiesOf(facts, {}));
    EXPECT_EQ(CheckHealth(std::nullopt, out, err), 0);
    EXPECT_EQ(PrintStatus(std::nullopt, true, out, err), 0);
    EXPECT_NE(out.str().find("\"address\":\"198.51.100.9\""), std::string::npos);
    facts.state = SessionState::ConnectionFails;
    writer.Update(PropertiesOf(facts, {}));
    err.str("");
    EXPECT_EQ(CheckHealth(std::nullopt, out, err), 1);
    EXPECT_EQ(err.str(), "kelbrin-client: Connection fails\n");
  }
  // The service ended: its file is gone with it.
  EXPECT_EQ(CheckHealth(std::nullopt, out, err), kExitNoClient);
}

}  // namespace
}  // namespace kelbrin::app
