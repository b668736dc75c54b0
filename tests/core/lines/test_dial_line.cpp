// The "Virtual Dial-up" line's operations over its dialer, against the fake pppd.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include "DialTestSupport.h"
#include "PppTestbed.h"
#include "lines/DialLine.h"
#include "platform/dialup/PppdErrors.h"

namespace kelbrin::lines {
namespace {

using namespace std::chrono_literals;

// The index of the interface that holds `address`, 0 when none does.
std::uint32_t IndexOfAddress(const std::string& address) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return 0;
  std::uint32_t index = 0;
  for (const ifaddrs* item = list; item && index == 0; item = item->ifa_next) {
    if (!item->ifa_addr || item->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(item->ifa_addr);
    if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) && address == text) {
      index = ::if_nametoindex(item->ifa_name);
    }
  }
  ::freeifaddrs(list);
  return index;
}

class DialLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bed_.Unusable().empty()) GTEST_SKIP() << "dial-up tests skipped: " << bed_.Unusable();
    bed_.AddAccount("alice", "secret");
    bed_.AddPeer("adsl", "10.64.0.1", "10.64.0.2");
    pppd_ = std::make_unique<platform::Pppd>(bed_.Setup(500ms));
    line_ = std::make_unique<DialLine>(*pppd_, tasks_.Post(), IndexOfAddress,
                                       [this](const std::string& error) {
                                         errors_.push_back(error);
                                       });
  }

  DialLineFields Fields() { return {entryName_, userName_, password_, ipAddress_, adptIndex_}; }

  kelbrin::test::PppTestbed bed_;
  std::unique_ptr<platform::Pppd> pppd_;
  test::PostedTasks tasks_;
  std::unique_ptr<DialLine> line_;
  std::vector<std::string> errors_;
  std::string entryName_ = "adsl";
  std::string userName_ = "alice";
  std::string password_ = "secret";
  std::string ipAddress_;
  std::uint32_t adptIndex_ = 0;
};

TEST_F(DialLineTest, TheDialerIsSynchronousAndCzech) {
  EXPECT_EQ(line_->Dialer().DialMode, TDialMode::dmSync);
  EXPECT_EQ(line_->Dialer().Language, TLanguage::Czech);
  EXPECT_EQ(DialLine::Describe(), "ClassName: TDailLine");
  EXPECT_TRUE(DialLine::Authenticate());
}

TEST_F(DialLineTest, ConnectTakesTheAddressAndTheInterfaceIndexAndDisconnectEndsIt) {
  EXPECT_FALSE(line_->GetActive(Fields()));
  ASSERT_EQ(line_->Connect(Fields()), 0);
  EXPECT_EQ(ipAddress_, "10.64.0.1");
  const auto link = pppd_->LinkOfEntry("adsl");
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(adptIndex_, ::if_nametoindex(link->interface.c_str()));
  EXPECT_NE(adptIndex_, 0u);

  ipAddress_.clear();
  EXPECT_TRUE(line_->GetActive(Fields()));
  EXPECT_EQ(ipAddress_, "10.64.0.1");

  EXPECT_EQ(line_->Disconnect(), 0);
  EXPECT_FALSE(line_->GetActive(Fields()));
  // The last address stays recorded while the line is down.
  EXPECT_EQ(ipAddress_, "10.64.0.1");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(DialLineTest, AnEntryOutsideThePhonebookIsNotDialled) {
  entryName_ = "isdn";
  EXPECT_EQ(line_->Connect(Fields()), -1);
  EXPECT_FALSE(std::filesystem::exists(bed_.PrivateDir()));
  EXPECT_TRUE(pppd_->Links().empty());
  entryName_.clear();
  EXPECT_EQ(line_->Connect(Fields()), -1);
  EXPECT_FALSE(line_->GetActive(Fields()));
  EXPECT_TRUE(errors_.empty());
}

TEST_F(DialLineTest, TheEntryIsFoundInAnyCaseButItsLinkOnlyUnderItsOwnName) {
  entryName_ = "ADSL";
  ASSERT_EQ(line_->Connect(Fields()), 0);
  EXPECT_TRUE(pppd_->LinkOfEntry("adsl").has_value());
  EXPECT_FALSE(line_->GetActive(Fields()));
  entryName_ = "adsl";
  EXPECT_TRUE(line_->GetActive(Fields()));
}

TEST_F(DialLineTest, AFailedDialGivesItsCodeAndRecordsNoError) {
  password_ = "wrong";
  EXPECT_EQ(line_->Connect(Fields()), 1019);
  EXPECT_TRUE(errors_.empty());
  EXPECT_EQ(ipAddress_, "");
  EXPECT_EQ(adptIndex_, 0u);
}

TEST_F(DialLineTest, AnEntryWhoseParametersCannotBeReadIsRecordedInErrors) {
  // The peer file goes between the phonebook listing and the dial.
  line_->Dialer().OnEntryGet = [this](TDialUp&, const std::string& name) {
    std::filesystem::remove(bed_.Setup().peersDir / name);
  };
  EXPECT_EQ(line_->Connect(Fields()), platform::kPeerUnreadable);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_.front(), "ErrorCode:1302#9ErrorMessage:GetEntryDialParams failed");
}

TEST_F(DialLineTest, AMissingPppdIsRecordedInErrors) {
  platform::PppdSetup setup = bed_.Setup();
  setup.program = (bed_.RunDir() / "no-pppd").string();
  platform::Pppd missing(setup);
  DialLine line(missing, tasks_.Post(), IndexOfAddress,
                [this](const std::string& error) { errors_.push_back(error); });
  EXPECT_EQ(line.Connect(Fields()), platform::kPppdNotStartable);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_.front(), "ErrorCode:1301#9ErrorMessage:" +
                                 platform::PppdErrorText(platform::kPppdNotStartable));
}

TEST_F(DialLineTest, ALinkOpenedByAnotherProgramCountsAsActiveButIsNotHungUp) {
  TDialUp other(*pppd_, tasks_.Post());
  other.DialMode = TDialMode::dmSync;
  other.Entry = "adsl";
  other.UserName = "alice";
  other.UserPwd = "secret";
  ASSERT_EQ(other.Dial(), 0);
  EXPECT_TRUE(line_->GetActive(Fields()));
  EXPECT_EQ(ipAddress_, "10.64.0.1");
  EXPECT_NE(adptIndex_, 0u);
  EXPECT_EQ(line_->Disconnect(), platform::kNoSuchLink);
  EXPECT_TRUE(line_->GetActive(Fields()));
  EXPECT_EQ(other.HangUp(), 0);
}

TEST(DialLineErrorTest, TheErrorLineCarriesALiteralHashNine) {
  EXPECT_EQ(DialLine::ErrorLine(623, "M"), "ErrorCode:623#9ErrorMessage:M");
}

}  // namespace
}  // namespace kelbrin::lines
