// Who may call the published object and with what: polkit's answers for an unprivileged caller,
// root without polkit, bad input refused at the door (before polkit, without keeping the
// message), and a bound on the calls that wait for polkit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "BusFixture.h"
#include "ChildRun.h"
#include "StandInAuthority.h"

namespace {

using kelbrin::platform::BusValue;
using kelbrin::test::BusProbe;
using kelbrin::test::PrivateBus;
using kelbrin::test::StandInAuthority;
using kelbrin::test::TestObject;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

constexpr char kAccessDenied[] = "error org.freedesktop.DBus.Error.AccessDenied: ";
constexpr char kInvalidArgs[] = "error org.freedesktop.DBus.Error.InvalidArgs: ";

// This process's resident memory in KiB, from /proc/self/status.
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

class BusCallersTest : public kelbrin::test::BusFixture {
 protected:
  void SetUp() override {
    if (geteuid() != 0) {
      GTEST_SKIP() << "needs root: only root owns the client's name on a system bus, and the "
                      "unprivileged caller is a child that drops to uid 65534";
    }
    Publish(PrivateBus::Kind::SystemLike);
  }
  // Rename as the unprivileged caller.
  std::string Rename(const std::string& name, bool interactive = false) {
    return Call(kNobody, "Rename", {name, true}, interactive);
  }
};

TEST_F(BusCallersTest, PolkitDecidesForAnUnprivilegedCallerAndHearsWhetherItMayAskTheUser) {
  StandInAuthority authority(bus->Address());
  const struct {
    StandInAuthority::Answer answer;
    bool interactive;
    std::string reply;
  } cases[] = {
      {StandInAuthority::Answer::Allowed, false, "empty"},
      {StandInAuthority::Answer::Allowed, true, "empty"},
      {StandInAuthority::Answer::Refused, false, std::string(kAccessDenied) + TestObject::kDenied},
      {StandInAuthority::Answer::Challenge, false,
       std::string(kAccessDenied) + TestObject::kDenied},
      {StandInAuthority::Answer::Challenge, true, std::string(kAccessDenied) + TestObject::kDenied},
  };
  for (const auto& row : cases) {
    const std::string trace = "answer " + std::to_string(static_cast<int>(row.answer)) +
                              (row.interactive ? ", interactive" : "");
    authority.SetAnswer(TestObject::kAction, row.answer);
    const std::size_t asked = authority.Questions().size();
    object.ran.clear();
    EXPECT_EQ(Rename("demo01", row.interactive), row.reply) << trace;
    EXPECT_EQ(object.ran.size(), row.answer == StandInAuthority::Answer::Allowed ? 1u : 0u)
        << trace;
    const auto questions = authority.Questions();
    ASSERT_EQ(questions.size(), asked + 1) << trace;
    EXPECT_THAT(questions.back().subject, StartsWith("system-bus-name :1.")) << trace;
    EXPECT_EQ(questions.back().action, TestObject::kAction) << trace;
    EXPECT_EQ(questions.back().interactive, row.interactive) << trace;
  }
}

TEST_F(BusCallersTest, RootNeedsNoPolkitAndWithoutPolkitOthersAreToldItCouldNotBeChecked) {
  // No authority on this bus, as on a server without polkitd.
  EXPECT_EQ(Call(std::nullopt, "Rename", {std::string("root"), false}), "empty");
  EXPECT_THAT(object.ran, ElementsAre("Rename root"));
  EXPECT_THAT(Rename("demo01"),
              StartsWith(std::string(kAccessDenied) + "Authorization could not be checked: "));
  // Methods without an action are anyone's.
  EXPECT_EQ(Call(kNobody, "GetLog"), "empty");
  EXPECT_THAT(object.ran, ElementsAre("Rename root"));
}

TEST_F(BusCallersTest, ATextOutOfItsBoundIsRefusedNamingItsArgumentBeforePolkitIsAsked) {
  StandInAuthority authority(bus->Address());
  authority.SetAnswer(TestObject::kAction, StandInAuthority::Answer::Allowed);
  // Text that is not UTF-8 cannot be sent at all: sd-bus refuses to build such a message and
  // dbus-daemon drops the connection that sends one; the check itself is tested in BusTextTest.
  const struct {
    std::string name;
    std::string breach;
  } cases[] = {
      {std::string(17, 'a'), "longer than 16 bytes"},
      {"demo\x01", "holds a control character"},
      {"demo\x7f", "holds a control character"},
      {"demo\xc2\x85", "holds a control character"},  // U+0085, a C1 control
      {"\n", "holds a control character"},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(Rename(row.name), kInvalidArgs + ("Argument user_name: " + row.breach));
  }
  EXPECT_THAT(authority.Questions(), IsEmpty());
  EXPECT_THAT(object.ran, IsEmpty());
  // Where controls are allowed, they pass; the bound still holds.
  EXPECT_EQ(Call(kNobody, "Note", {std::string("a\tb\x1b"), std::uint32_t{1}, std::uint64_t{2}}),
            "value a\tb\x1b/1/2");
  EXPECT_EQ(Call(kNobody, "Note", {std::string(65, 'x'), std::uint32_t{1}, std::uint64_t{2}}),
            std::string(kInvalidArgs) + "Argument text: longer than 64 bytes");
  EXPECT_EQ(Rename(std::string(16, 'a')), "empty");
}

TEST_F(BusCallersTest, TenMegabyteArgumentsAreRefusedAndLeaveNothingResident) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "resident memory is glibc's allocator's; a sanitizer's allocator keeps freed "
                  "blocks on purpose";
#endif
  StandInAuthority authority(bus->Address());
  authority.Hold();  // had the arguments reached polkit, they would wait there
  const std::string huge(10 << 20, 'a');
  EXPECT_EQ(Rename("warm-up\x01"),
            kInvalidArgs + std::string("Argument user_name: holds a control character"));
  const long before = ResidentKiB();
  const std::string replies = Calls(kNobody, [&](BusProbe& probe) {
    std::string all;
    for (int i = 0; i < 5; ++i) all += Describe(probe.Ask("Rename", {huge, true})) + "\n";
    return all;
  });
  const long grown = ResidentKiB() - before;
  std::string refusals;
  for (int i = 0; i < 5; ++i) {
    refusals += kInvalidArgs + std::string("Argument user_name: longer than 16 bytes\n");
  }
  EXPECT_EQ(replies, refusals);
  EXPECT_THAT(authority.Questions(), IsEmpty());
  // sd-bus needs the whole message to read it; none of the five may stay.
  EXPECT_LT(grown, 3 * 1024) << "resident memory grew by " << grown << " KiB";
}

TEST_F(BusCallersTest, PastTheBoundOnCallsWaitingForPolkitACallIsRefusedAtOnce) {
  StandInAuthority authority(bus->Address());
  authority.Hold();
  const std::size_t bound = kelbrin::platform::BusService::kMaxPendingAuthorizations;
  const std::string first = Calls(kNobody, [&](BusProbe& probe) {
    const auto [index, reply] = probe.FirstOfMany("Reset", bound + 1);
    return std::to_string(index) + " " + Describe(reply);
  });
  EXPECT_EQ(first, std::to_string(bound) +
                       " error org.freedesktop.DBus.Error.LimitsExceeded: "
                       "Too many calls wait for authorization; try again later");
  // The refusal may reach the caller before every question has reached polkit: the service
  // goes on sending them while it is served.
  EXPECT_TRUE(kelbrin::test::WaitUntil([&] {
    service->Process();
    return authority.Questions().size() == bound;
  })) << authority.Questions().size() << " questions";
  // Once polkit has answered them (their caller is gone by now), the places are free again.
  authority.Release();
  ASSERT_TRUE(kelbrin::test::WaitUntil([&] { return authority.Unanswered() == 0; }));
  EXPECT_EQ(Call(kNobody, "Reset"), std::string(kAccessDenied) + TestObject::kDenied);
  EXPECT_THAT(object.ran, IsEmpty());
}

}  // namespace
