#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "protocol/TBaseReq.h"
#include "protocol/TPostNetworkInfoReq.h"
#include "protocol/TPostSystemInfoReq.h"
#include "protocol/TQueryUserProfileResp.h"
#include "protocol/TUserAuthReq.h"
#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {
namespace {

constexpr std::string_view kDeclaration = R"(<?xml version="1.0" encoding="UTF-8"?>)";

// The serialised text after its declaration; fails the test when the declaration differs.
std::string Body(const std::string& text) {
  EXPECT_EQ(text.substr(0, kDeclaration.size()), kDeclaration);
  return text.substr(kDeclaration.size());
}

std::vector<std::string> ChildNames(const std::string& text, std::string_view path) {
  XmlDocument document;
  EXPECT_TRUE(document.Load(text));
  std::vector<std::string> names;
  for (pugi::xml_node child : XmlDocument::SelectFirst(document.Root(), path).children()) {
    names.emplace_back(child.name());
  }
  return names;
}

TBaseReq BaseReq(std::string msgType) { return TBaseReq{std::move(msgType), "1.0", "demo01", "…"}; }

TSystemInfoSchema ExampleSystemInfo() {
  return {"5.1 (2600.Service Pack 2)", "unknow", "IIS 5.0", "523760/201344", "…", "1800 MHZ"};
}

TNetworkInfoSchema ExampleAdapter() {
  return {"",          "…",        "00-0C-29-3A-4B-5C", "1", "192.0.2.10", "255.255.255.0",
          "192.0.2.1", "192.0.2.1"};
}

struct ExampleCase {
  const char* name;
  std::function<std::string()> toXml;
  std::string body;
};

class RequestExample : public testing::TestWithParam<ExampleCase> {};

TEST_P(RequestExample, SerialisesByteExactAndRepeatably) {
  const std::string first = GetParam().toXml();
  EXPECT_EQ(Body(first), GetParam().body);
  EXPECT_EQ(GetParam().toXml(), first);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, RequestExample,
    testing::Values(
        ExampleCase{"ActiveTest", [] { return BaseReq("ActiveTestReq").ToXml(); },
                    "<PelmarPacket><MsgType>ActiveTestReq</MsgType><Version>1.0</Version>"
                    "<UserName>demo01</UserName><UserPwd>…</UserPwd></PelmarPacket>"},
        ExampleCase{"GetServiceList", [] { return BaseReq("GetServiceListReq").ToXml(); },
                    "<PelmarPacket><MsgType>GetServiceListReq</MsgType><Version>1.0</Version>"
                    "<UserName>demo01</UserName><UserPwd>…</UserPwd></PelmarPacket>"},
        ExampleCase{"QueryUserProfile",
                    [] {
                      return TUserAuthReq{"QueryUserProfileReq", "demo01", "…", "6.0"}.ToXml();
                    },
                    "<PelmarPacket><MsgType>QueryUserProfileReq</MsgType>"
                    "<UserName>demo01</UserName><UserPwd>…</UserPwd>"
                    "<ClientVersion>6.0</ClientVersion></PelmarPacket>"},
        ExampleCase{"PostSystemInfo",
                    [] {
                      return TPostSystemInfoReq{"PostSystemInfoReq", "1.0", "demo01", "…",
                                                ExampleSystemInfo()}
                          .ToXml();
                    },
                    "<PelmarPacket><MsgType>PostSystemInfoReq</MsgType><Version>1.0</Version>"
                    "<UserName>demo01</UserName><UserPwd>…</UserPwd><SystemInfo>"
                    "<OSVersion>5.1 (2600.Service Pack 2)</OSVersion><PackInfo>unknow</PackInfo>"
                    "<IISVersion>IIS 5.0</IISVersion><MemoryInfo>523760/201344</MemoryInfo>"
                    "<CPUVersion>…</CPUVersion><CPUFreq>1800 MHZ</CPUFreq></SystemInfo>"
                    "</PelmarPacket>"},
        ExampleCase{"PostNetworkInfo",
                    [] {
                      return TPostNetworkInfoReq{
                          "PostNetworkInfoReq", "1.0", "demo01", "…", {ExampleAdapter()}}
                          .ToXml();
                    },
                    "<PelmarPacket><MsgType>PostNetworkInfoReq</MsgType><Version>1.0</Version>"
                    "<UserName>demo01</UserName><UserPwd>…</UserPwd><NetworkInfo>"
                    "<ConnName></ConnName><HardWare>…</HardWare>"
                    "<MacAddr>00-0C-29-3A-4B-5C</MacAddr><DHCPRun>1</DHCPRun>"
                    "<IPAddr>192.0.2.10</IPAddr><SubMask>255.255.255.0</SubMask>"
                    "<Gateway>192.0.2.1</Gateway><DNSServer>192.0.2.1</DNSServer></NetworkInfo>"
                    "</PelmarPacket>"},
        ExampleCase{"EmptyBaseReq", [] { return TBaseReq{}.ToXml(); },
                    "<PelmarPacket><MsgType></MsgType><Version></Version><UserName></UserName>"
                    "<UserPwd></UserPwd></PelmarPacket>"}),
    [](const testing::TestParamInfo<ExampleCase>& example) { return example.param.name; });

TEST(TBaseReq, ReusedObjectCarriesOnlyTheCurrentFields) {
  TBaseReq request = BaseReq("ActiveTestReq");
  request.ToXml();
  request.UserName = "demo02";
  request.UserPwd = "";
  EXPECT_EQ(Body(request.ToXml()),
            "<PelmarPacket><MsgType>ActiveTestReq</MsgType><Version>1.0</Version>"
            "<UserName>demo02</UserName><UserPwd></UserPwd></PelmarPacket>");
}

TEST(TUserAuthReq, HasNoVersionAndEndsWithClientVersion) {
  const TUserAuthReq request{"QueryUserProfileReq", "demo01", "…", "6.0"};
  EXPECT_EQ(ChildNames(request.ToXml(), "PelmarPacket"),
            (std::vector<std::string>{"MsgType", "UserName", "UserPwd", "ClientVersion"}));
}

// The service echoes account data back inside UserProfile; what the request wrote must read back
// as the same characters. A CR goes as a reference: sent raw, every XML parser would read an LF.
TEST(TUserAuthReq, MarkupAndChineseTextComeBackUnchanged) {
  struct Credentials {
    std::string userName, password;
  };
  for (const Credentials& sent :
       {Credentials{"demo01", "a&b<c>d]]>e\"f'g"}, Credentials{"演示用户", "密码&<"},
        Credentials{"de\rmo", "pa\rss\r\nwo\nrd"}}) {
    const std::string text =
        TUserAuthReq{"QueryUserProfileReq", sent.userName, sent.password, "6.0"}.ToXml();
    EXPECT_EQ(text.find(sent.password), std::string::npos) << "markup left unescaped";
    EXPECT_EQ(text.find('\r'), std::string::npos) << "a CR sent raw";
    if (sent.userName.find('\r') == std::string::npos) {
      EXPECT_NE(text.find("<UserName>" + sent.userName + "</UserName>"), std::string::npos);
    }

    std::string echoed = Body(text);
    echoed.replace(0, std::string_view("<PelmarPacket>").size(), "<PelmarPacket><UserProfile>");
    echoed.insert(echoed.rfind("</PelmarPacket>"), "</UserProfile>");
    TQueryUserProfileResp reply;
    ASSERT_TRUE(reply.ParseXml(echoed)) << echoed;
    EXPECT_EQ(reply.Profile.UserName, sent.userName);
    EXPECT_EQ(reply.Profile.UserPwd, sent.password);
  }
}

TEST(TPostSystemInfoReq, SystemInfoIsFifthAndLastWithItsValuesAsGiven) {
  TPostSystemInfoReq request{"PostSystemInfoReq", "1.0", "demo01", "…", ExampleSystemInfo()};
  request.SystemInfo.CPUVersion = "CPU one;CPU two";
  request.SystemInfo.CPUFreq = "1800 MHZ;2400 MHZ";
  request.SystemInfo.MemoryInfo = "";
  const std::string text = request.ToXml();
  EXPECT_EQ(ChildNames(text, "PelmarPacket"),
            (std::vector<std::string>{"MsgType", "Version", "UserName", "UserPwd", "SystemInfo"}));
  EXPECT_NE(text.find("<MemoryInfo></MemoryInfo><CPUVersion>CPU one;CPU two</CPUVersion>"
                      "<CPUFreq>1800 MHZ;2400 MHZ</CPUFreq></SystemInfo>"),
            std::string::npos);
}

TEST(TPostNetworkInfoReq, WithoutAdaptersCarriesTheEnvelopeOnly) {
  const TPostNetworkInfoReq request{"PostNetworkInfoReq", "1.0", "demo01", "…", {}};
  EXPECT_EQ(ChildNames(request.ToXml(), "PelmarPacket"),
            (std::vector<std::string>{"MsgType", "Version", "UserName", "UserPwd"}));
}

TEST(TPostNetworkInfoReq, SkipsEmptyPositionsAndKeepsEmptyAddressElements) {
  TNetworkInfoSchema withoutAddresses = ExampleAdapter();
  withoutAddresses.HardWare = "second";
  withoutAddresses.IPAddr = "";
  withoutAddresses.SubMask = "";
  const TPostNetworkInfoReq request{"PostNetworkInfoReq",
                                    "1.0",
                                    "demo01",
                                    "…",
                                    {ExampleAdapter(), std::nullopt, withoutAddresses}};
  const std::string text = request.ToXml();

  EXPECT_EQ(ChildNames(text, "PelmarPacket"),
            (std::vector<std::string>{"MsgType", "Version", "UserName", "UserPwd", "NetworkInfo",
                                      "NetworkInfo"}));
  XmlDocument document;
  ASSERT_TRUE(document.Load(text));
  const auto adapters = XmlDocument::SelectAll(document.Root(), "PelmarPacket/NetworkInfo");
  ASSERT_EQ(adapters.size(), 2u);
  EXPECT_EQ(XmlDocument::TrimmedText(adapters[0].child("HardWare")), "…");
  EXPECT_EQ(XmlDocument::TrimmedText(adapters[1].child("HardWare")), "second");
  EXPECT_NE(text.find("<IPAddr></IPAddr><SubMask></SubMask>"), std::string::npos);
  EXPECT_EQ(ChildNames(text, "PelmarPacket/NetworkInfo"),
            (std::vector<std::string>{"ConnName", "HardWare", "MacAddr", "DHCPRun", "IPAddr",
                                      "SubMask", "Gateway", "DNSServer"}));
}

}  // namespace
}  // namespace kelbrin::protocol
