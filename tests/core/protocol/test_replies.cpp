#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "protocol/TActiveTestResp.h"
#include "protocol/TBaseResp.h"
#include "protocol/TGetServiceListResp.h"
#include "protocol/TGetVersionResp.h"
#include "protocol/TQueryUserProfileResp.h"

namespace kelbrin::protocol {
namespace {

// Every reply class follows the same loading rule; these cases run against each of them.
template <typename Reply>
class ReplyRule : public testing::Test {};

using ReplyClasses = testing::Types<TBaseResp, TActiveTestResp, TGetServiceListResp,
                                    TQueryUserProfileResp, TGetVersionResp>;
TYPED_TEST_SUITE(ReplyRule, ReplyClasses);

// Replies are published to other threads as immutable snapshots: plain copyable values.
TYPED_TEST(ReplyRule, IsAPlainCopyableValue) {
  static_assert(std::is_copy_constructible_v<TypeParam>);
  static_assert(std::is_nothrow_move_constructible_v<TypeParam>);
  TypeParam original;
  ASSERT_TRUE(original.ParseXml("<PelmarPacket><Result>0</Result></PelmarPacket>"));
  const TypeParam copy = original;
  ASSERT_TRUE(original.ParseXml("<PelmarPacket><Result>1</Result></PelmarPacket>"));
  EXPECT_EQ(copy.Result, "0");
}

TYPED_TEST(ReplyRule, TrimsBlanksAndControlsAroundText) {
  TypeParam reply;
  EXPECT_TRUE(reply.ParseXml("<PelmarPacket><Result> 0 </Result></PelmarPacket>"));
  EXPECT_EQ(reply.Result, "0");
  EXPECT_TRUE(reply.ParseXml("<PelmarPacket><Result>\t\r\n 1 0 2\n</Result></PelmarPacket>"));
  EXPECT_EQ(reply.Result, "1 0 2");
}

TYPED_TEST(ReplyRule, TextThatIsNotOneElementTreeChangesNothing) {
  for (const char* text : {"", "   ", "102", "<PelmarPacket><Result>1</Result>",
                           "<PelmarPacket><Result>1</PelmarPacket>",
                           "<PelmarPacket/><PelmarPacket><Result>1</Result></PelmarPacket>",
                           "<PelmarPacket><Result>1</Result></PelmarPacket>trailing",
                           "leading<PelmarPacket><Result>1</Result></PelmarPacket>"}) {
    TypeParam reply;
    ASSERT_TRUE(
        reply.ParseXml("<PelmarPacket><MsgType>before</MsgType><Result>7</Result></PelmarPacket>"));
    EXPECT_FALSE(reply.ParseXml(text)) << text;
    EXPECT_EQ(reply.Result, "7") << text;
    EXPECT_EQ(reply.MsgType, "before") << text;
  }
}

TYPED_TEST(ReplyRule, AnotherRootLoadsButFillsNothing) {
  TypeParam reply;
  reply.Result = "7";
  EXPECT_TRUE(reply.ParseXml("<Root><Result>0</Result></Root>"));
  EXPECT_EQ(reply.Result, "7");
}

TYPED_TEST(ReplyRule, FirstOfTwoElementsCounts) {
  TypeParam reply;
  EXPECT_TRUE(reply.ParseXml(
      "<PelmarPacket><MsgType>A</MsgType><Result>102</Result><Result>0</Result><MsgType>B</MsgType>"
      "</PelmarPacket>"));
  EXPECT_EQ(reply.Result, "102");
  EXPECT_EQ(reply.MsgType, "A");
}

// No DTD is read: a document that refers to the entities it declares is refused, never expanded
// (nor read as the literal text "&e;").
TYPED_TEST(ReplyRule, DeclaredEntitiesAreRefusedNotExpanded) {
  const std::string doctype =
      "<?xml version=\"1.0\"?><!DOCTYPE PelmarPacket [<!ENTITY e \"boom\">"
      "<!ENTITY f SYSTEM \"file:///etc/passwd\">]>";
  TypeParam reply;
  EXPECT_FALSE(
      reply.ParseXml(doctype + "<PelmarPacket><Result>&e;&f;&amp;&#48;</Result></PelmarPacket>"));
  EXPECT_EQ(reply.Result, "");
  EXPECT_TRUE(reply.ParseXml(doctype + "<PelmarPacket><Result>&amp;&#48;</Result></PelmarPacket>"));
  EXPECT_EQ(reply.Result, "&0");
}

// Hostile nesting must neither overflow the stack while loading nor while gathering the text.
TYPED_TEST(ReplyRule, SurvivesVeryDeepNesting) {
  constexpr int kDepth = 200000;
  std::string text = "<PelmarPacket><Result>";
  for (int i = 0; i < kDepth; ++i) text += "<a>";
  text += "5";
  for (int i = 0; i < kDepth; ++i) text += "</a>";
  text += "</Result></PelmarPacket>";
  TypeParam reply;
  EXPECT_TRUE(reply.ParseXml(text));
  EXPECT_EQ(reply.Result, "5");
}

TEST(TActiveTestResp, ReusedObjectKeepsUserIpWhenTheReplyLacksIt) {
  TActiveTestResp reply;
  ASSERT_TRUE(reply.ParseXml(
      "<PelmarPacket><Result>0</Result><UserIP>203.0.113.7</UserIP></PelmarPacket>"));
  EXPECT_EQ(reply.Result, "0");
  EXPECT_EQ(reply.UserIP, "203.0.113.7");

  ASSERT_TRUE(reply.ParseXml("<PelmarPacket><Result>102</Result></PelmarPacket>"));
  EXPECT_EQ(reply.Result, "102");
  EXPECT_EQ(reply.UserIP, "203.0.113.7");
}

TEST(TGetVersionResp, ReadsEveryField) {
  TGetVersionResp reply;
  ASSERT_TRUE(reply.ParseXml(
      "<PelmarPacket><MsgType>GetVersionResp</MsgType><Version>1.0</Version><Result>0</Result>"
      "<VersionInfo>6.1</VersionInfo><UpdateTime>20081231</UpdateTime></PelmarPacket>"));
  EXPECT_EQ(reply.MsgType, "GetVersionResp");
  EXPECT_EQ(reply.Version, "1.0");
  EXPECT_EQ(reply.Result, "0");
  EXPECT_EQ(reply.VersionInfo, "6.1");
  EXPECT_EQ(reply.UpdateTime, "20081231");
}

constexpr const char* kTwoDomains =
    "<PelmarPacket><Result>0</Result><UserID>u-17</UserID>"
    "<DomainInfo><DomainName>demo01</DomainName><SuffixName>.example.net</SuffixName>"
    "<ResourceInfo><ResourceType>A</ResourceType><KeyName>www</KeyName></ResourceInfo>"
    "</DomainInfo>"
    "<DomainInfo><DomainName>demo02</DomainName></DomainInfo></PelmarPacket>";

TEST(TGetServiceListResp, ReadsOneRecordPerDomainInDocumentOrder) {
  TGetServiceListResp reply;
  ASSERT_TRUE(reply.ParseXml(kTwoDomains));
  EXPECT_EQ(reply.Result, "0");
  EXPECT_EQ(reply.UserID, "u-17");
  ASSERT_EQ(reply.DomainInfos.size(), 2u);
  EXPECT_EQ(reply.DomainInfos[0].DomainName, "demo01");
  EXPECT_EQ(reply.DomainInfos[0].SuffixName, ".example.net");
  ASSERT_EQ(reply.DomainInfos[0].ResourceInfos.size(), 1u);
  EXPECT_EQ(reply.DomainInfos[0].ResourceInfos[0].KeyName, "www");
  EXPECT_EQ(reply.DomainInfos[1].DomainName, "demo02");
  EXPECT_EQ(reply.DomainInfos[1].SuffixName, "") << "a fresh record starts empty";
  EXPECT_TRUE(reply.DomainInfos[1].ResourceInfos.empty());
}

TEST(TGetServiceListResp, ListIsRebuiltOnEveryLoadWhateverTheResult) {
  struct Case {
    const char* text;
    size_t domains;
  };
  for (const Case& next : {Case{"<PelmarPacket><Result>0</Result></PelmarPacket>", 0},
                           Case{"<PelmarPacket><Result>102</Result><DomainInfo><DomainName>x"
                                "</DomainName></DomainInfo></PelmarPacket>",
                                1},
                           Case{"<Other/>", 0}}) {
    TGetServiceListResp reply;
    ASSERT_TRUE(reply.ParseXml(kTwoDomains));
    ASSERT_TRUE(reply.ParseXml(next.text));
    EXPECT_EQ(reply.DomainInfos.size(), next.domains) << next.text;
  }
}

TEST(TGetServiceListResp, TextThatDoesNotLoadKeepsTheList) {
  TGetServiceListResp reply;
  ASSERT_TRUE(reply.ParseXml(kTwoDomains));
  EXPECT_FALSE(reply.ParseXml("<PelmarPacket>"));
  EXPECT_EQ(reply.DomainInfos.size(), 2u);
}

TEST(TQueryUserProfileResp, FillsTheProfileWithKeepWhenMissing) {
  TQueryUserProfileResp reply;
  ASSERT_TRUE(reply.ParseXml(
      "<PelmarPacket><Result>0</Result><UserProfile><UserName>demo01</UserName>"
      "<PayType>1</PayType><ServiceEndDate>20081231</ServiceEndDate><UserID>u-17</UserID>"
      "</UserProfile></PelmarPacket>"));
  EXPECT_EQ(reply.Result, "0");
  EXPECT_EQ(reply.Profile.UserName, "demo01");
  EXPECT_EQ(reply.Profile.PayType, "1");
  EXPECT_EQ(reply.Profile.ServiceEndDate, "20081231");
  EXPECT_EQ(reply.Profile.UserID, "u-17");

  ASSERT_TRUE(reply.ParseXml(
      "<PelmarPacket><Result>0</Result><UserProfile><PayType>2</PayType></UserProfile>"
      "</PelmarPacket>"));
  EXPECT_EQ(reply.Profile.PayType, "2");
  EXPECT_EQ(reply.Profile.UserName, "demo01");
}

TEST(TQueryUserProfileResp, ProfileWithoutPayTypeLeavesItEmpty) {
  TQueryUserProfileResp reply;
  ASSERT_TRUE(reply.ParseXml(
      "<PelmarPacket><Result>0</Result><UserProfile><UserName>demo01</UserName></UserProfile>"
      "</PelmarPacket>"));
  EXPECT_EQ(reply.Profile.PayType, "");
  EXPECT_EQ(TUserProfileSchema::PayTypeName(reply.Profile.PayType), "Unknown");
}

TEST(TQueryUserProfileResp, OnlyTheFirstUserProfileIsRead) {
  TQueryUserProfileResp reply;
  ASSERT_TRUE(
      reply.ParseXml("<PelmarPacket><UserProfile><UserName>first</UserName></UserProfile>"
                     "<UserProfile><UserName>second</UserName><PayType>1</PayType></UserProfile>"
                     "</PelmarPacket>"));
  EXPECT_EQ(reply.Profile.UserName, "first");
  EXPECT_EQ(reply.Profile.PayType, "");
}

}  // namespace
}  // namespace kelbrin::protocol
