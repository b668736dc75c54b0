#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <array>
#include <fstream>
#include <iterator>
#include <pugixml.hpp>
#include <sstream>

#include "ReferenceService.h"
#include "TempDir.h"

namespace kelbrin::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::StartsWith;

constexpr const char* kPelmarPath = "/pelmar/pelmar.dll/";

// One exchange as a client sees it.
struct Exchange {
  bool answered = false;  // false: the connection ended without a reply
  int status = 0;
  std::string body;
};

std::string basePacket(const std::string& msgType, const std::string& user,
                       const std::string& password, const std::string& extra = "") {
  return "<?xml version=\"1.0\" encoding=\"GBK\"?><PelmarPacket><MsgType>" + msgType +
         "</MsgType><Version>1.0</Version><UserName>" + user + "</UserName><UserPwd>" + password +
         "</UserPwd>" + extra + "</PelmarPacket>";
}

std::string profileQuery(const std::string& user, const std::string& password) {
  return "<?xml version=\"1.0\" encoding=\"GBK\"?><PelmarPacket><MsgType>QueryUserProfileReq"
         "</MsgType><UserName>" +
         user + "</UserName><UserPwd>" + password +
         "</UserPwd><ClientVersion>6.0</ClientVersion></PelmarPacket>";
}

const std::string kVersionQuery =
    "<?xml version=\"1.0\" ?><PelmarPacket><MsgType>GetVersionReq</MsgType><Version>1.0</Version>"
    "</PelmarPacket>";

std::string systemReport(const std::string& osVersion) {
  return basePacket("PostSystemInfoReq", "demo01", "demo-pass",
                    "<SystemInfo><OSVersion>" + osVersion +
                        "</OSVersion><PackInfo>unknow</PackInfo><IISVersion>IIS 5.0</IISVersion>"
                        "<MemoryInfo>523760/201344</MemoryInfo><CPUVersion>cpu</CPUVersion>"
                        "<CPUFreq>1800 MHZ</CPUFreq></SystemInfo>");
}

const std::string kNetworkReport = basePacket(
    "PostNetworkInfoReq", "demo01", "demo-pass",
    "<NetworkInfo><ConnName>eth0</ConnName><HardWare>nic</HardWare><MacAddr>00-0C-29-3A-4B-5C"
    "</MacAddr><DHCPRun>1</DHCPRun><IPAddr>192.0.2.10</IPAddr><SubMask>255.255.255.0</SubMask>"
    "<Gateway>192.0.2.1</Gateway><DNSServer>192.0.2.1</DNSServer></NetworkInfo>");

// The request body of each message kind as the demo account sends it.
std::string demoRequest(const std::string& msgType) {
  if (msgType == "QueryUserProfileReq") return profileQuery("demo01", "demo-pass");
  if (msgType == "GetVersionReq") return kVersionQuery;
  if (msgType == "PostSystemInfoReq") return systemReport("5.1 (2600.Service Pack 2)");
  if (msgType == "PostNetworkInfoReq") return kNetworkReport;
  return basePacket(msgType, "demo01", "demo-pass");
}

// Text of the element at `path` below PelmarPacket; "<absent>" when there is none.
std::string at(const std::string& xml, const std::string& path) {
  pugi::xml_document document;
  if (!document.load_string(xml.c_str())) return "<not xml>";
  const pugi::xpath_node found = document.select_node(("/PelmarPacket/" + path).c_str());
  return found ? found.node().text().get() : "<absent>";
}

std::vector<std::string> childNames(const pugi::xml_node& node) {
  std::vector<std::string> names;
  for (const pugi::xml_node& child : node.children()) names.push_back(child.name());
  return names;
}

// A short description of what the client got, so faults and normal replies compare as text.
std::string describe(const Exchange& exchange) {
  if (!exchange.answered) return "dropped";
  if (exchange.status != 200) return "http " + std::to_string(exchange.status);
  if (at(exchange.body, "Result") == "<not xml>") return "malformed";
  std::string text = "Result " + at(exchange.body, "Result");
  for (const char* extra : {"UserIP", "VersionInfo"}) {
    const std::string value = at(exchange.body, extra);
    if (value != "<absent>") text += std::string(" ") + extra + " " + value;
  }
  return text;
}

// Adds a query parameter to a control command.
std::string withParam(const std::string& command, const std::string& param) {
  return command + (command.find('?') == std::string::npos ? "?" : "&") + param;
}

class ReferenceServiceTest : public ::testing::Test {
 protected:
  Exchange Post(const std::string& body,
                std::chrono::milliseconds readTimeout = std::chrono::seconds(10)) const {
    httplib::Client client("127.0.0.1", service_.port());
    client.set_read_timeout(readTimeout);
    const httplib::Result result = client.Post(kPelmarPath, body, "text/xml");
    if (!result) return {};
    return {true, result->status, result->body};
  }
  Exchange demo(const std::string& msgType) const { return Post(demoRequest(msgType)); }

  ReferenceService service_;
};

TEST_F(ReferenceServiceTest, AnswersEveryMessageKindOfTheDemoAccount) {
  struct Case {
    const char* msgType;
    const char* replyKind;
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"QueryUserProfileReq", "QueryUserProfileResp", "UserProfile/PayType", "1"},
      {"ActiveTestReq", "ActiveTestResp", "UserIP", "127.0.0.1"},
      {"GetServiceListReq", "GetServiceListResp", "UserID", "100001"},
      {"GetVersionReq", "GetVersionResp", "VersionInfo", "6.0"},
      {"PostSystemInfoReq", "PostSystemInfoResp", "Version", "1.0"},
      {"PostNetworkInfoReq", "PostNetworkInfoResp", "Version", "1.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msgType);
    const Exchange reply = demo(c.msgType);
    ASSERT_TRUE(reply.answered);
    EXPECT_EQ(reply.status, 200);
    EXPECT_THAT(reply.body, StartsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?><PelmarPacket>"));
    EXPECT_EQ(at(reply.body, "MsgType"), c.replyKind);
    EXPECT_EQ(at(reply.body, "Result"), "0");
    EXPECT_EQ(at(reply.body, c.path), c.expected);
  }
}

TEST_F(ReferenceServiceTest, ProfileReplyCarriesTheWholeAccountRecord) {
  pugi::xml_document reply;
  ASSERT_TRUE(reply.load_string(demo("QueryUserProfileReq").body.c_str()));
  const pugi::xml_node profile = reply.child("PelmarPacket").child("UserProfile");
  EXPECT_THAT(childNames(profile), ElementsAre("UserName", "UserPwd", "Question", "Answer", "Email",
                                               "RealName", "Address", "PostCode", "Phone1",
                                               "Phone2", "PayType", "ServiceEndDate", "UserID"));
  EXPECT_STREQ(profile.child_value("UserName"), "demo01");
  EXPECT_STREQ(profile.child_value("UserPwd"), "demo-pass");
  EXPECT_STREQ(profile.child_value("ServiceEndDate"), "20991231");
  EXPECT_STREQ(profile.child_value("UserID"), "100001");
}

TEST_F(ReferenceServiceTest, ServiceListCarriesTwoDomainsWithTheirRecords) {
  pugi::xml_document reply;
  ASSERT_TRUE(reply.load_string(demo("GetServiceListReq").body.c_str()));
  const pugi::xpath_node_set domains = reply.select_nodes("/PelmarPacket/DomainInfo");
  ASSERT_EQ(domains.size(), 2u);
  const pugi::xml_node first = domains[0].node();
  EXPECT_THAT(
      childNames(first),
      ElementsAre("DomainName", "SuffixName", "OnlineOpt", "OnlineStaticIP", "OnlineTransURL",
                  "OfflineOpt", "OfflineStaticIP", "OfflineTransURL", "TTL", "StartDate", "EndDate",
                  "Status", "DomainStatus", "ResourceInfo", "ResourceInfo", "ResourceInfo"));
  EXPECT_STREQ(first.child_value("DomainName"), "demo01");
  EXPECT_STREQ(first.child_value("SuffixName"), ".example.net");
  std::vector<std::string> types;
  for (const pugi::xml_node& record : first.children("ResourceInfo")) {
    EXPECT_THAT(childNames(record), ElementsAre("ResourceType", "KeyName", "KeyValue", "TransURL"));
    types.push_back(record.child_value("ResourceType"));
  }
  EXPECT_THAT(types, ElementsAre("A", "MX", "CNAME"));
  EXPECT_STREQ(domains[1].node().child_value("DomainStatus"), "4");
}

TEST_F(ReferenceServiceTest, RefusesWithTheResultCodeOfTheFault) {
  struct Case {
    std::string body;
    const char* result;
  };
  const Case cases[] = {
      {basePacket("ActiveTestReq", "nobody", "demo-pass"), "100"},
      {profileQuery("nobody", "x"), "100"},
      {basePacket("ActiveTestReq", "demo01", "wrong"), "102"},
      {profileQuery("demo01", "Demo-pass"), "102"},
      {basePacket("GetServiceListReq", "demo01", ""), "102"},
      {basePacket("GetServiceListReq", "nodomain01", "nodomain-pass"), "100"},
      {profileQuery("badtype01", "badtype-pass"), "110"},
      {basePacket("NoSuchReq", "demo01", "demo-pass"), "110"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const Exchange reply = Post(c.body);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(at(reply.body, "Result"), c.result);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(reply.body.c_str()));
    EXPECT_THAT(childNames(document.child("PelmarPacket")),
                ElementsAre("MsgType", "Version", "Result"));  // nothing of the account
  }
  // Accounts that the client logs in to even though something is wrong with them.
  EXPECT_EQ(at(Post(profileQuery("nodomain01", "nodomain-pass")).body, "Result"), "0");
  EXPECT_EQ(at(Post(profileQuery("overdue01", "overdue-pass")).body, "UserProfile/PayType"), "2");
}

TEST_F(ReferenceServiceTest, AnswersABodyThatIsNoPelmarPacketWith400) {
  for (const char* body : {"OK", "<Root><MsgType>ActiveTestReq</MsgType></Root>", ""}) {
    SCOPED_TRACE(body);
    EXPECT_EQ(Post(body).status, 400);
  }
}

struct FaultCase {
  const char* name;
  const char* command;  // the control command that scripts the fault
  const char* msgType;  // the request it is tried on
  const char* faulted;  // what the client gets then, as describe() puts it
};

class ScriptedFaultTest : public ReferenceServiceTest,
                          public ::testing::WithParamInterface<FaultCase> {
 protected:
  const char* command() const { return GetParam().command; }
  const char* msgType() const { return GetParam().msgType; }
  const char* faulted() const { return GetParam().faulted; }
};

TEST_P(ScriptedFaultTest, LastsForItsCountOfRequests) {
  const std::string normal = describe(demo(msgType()));
  ASSERT_NE(normal, faulted());
  service_.control(withParam(command(), "count=2"));
  EXPECT_EQ(describe(demo(msgType())), faulted());
  EXPECT_EQ(describe(demo(msgType())), faulted());
  EXPECT_EQ(describe(demo(msgType())), normal);
}

TEST_P(ScriptedFaultTest, LastsUntilReset) {
  const std::string normal = describe(demo(msgType()));
  service_.control(command());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(describe(demo(msgType())), faulted());
  service_.reset();
  EXPECT_EQ(describe(demo(msgType())), normal);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ScriptedFaultTest,
    ::testing::Values(
        FaultCase{"Result", "result?code=102", "ActiveTestReq", "Result 102"},
        FaultCase{"NonNumericResult", "result?code=abc", "GetServiceListReq", "Result abc"},
        FaultCase{"Status500", "status", "GetServiceListReq", "http 500"},
        FaultCase{"Status404", "status?code=404", "PostSystemInfoReq", "http 404"},
        FaultCase{"Malformed", "malformed", "QueryUserProfileReq", "malformed"},
        FaultCase{"Drop", "drop", "ActiveTestReq", "dropped"},
        FaultCase{"UserIp", "userip?ip=198.51.100.9", "ActiveTestReq",
                  "Result 0 UserIP 198.51.100.9"},
        FaultCase{"Version", "version?value=6.1", "GetVersionReq", "Result 0 VersionInfo 6.1"}),
    [](const ::testing::TestParamInfo<FaultCase>& param) { return param.param.name; });

TEST_F(ReferenceServiceTest, StatusFaultStillSendsAWellFormedReply) {
  service_.control("status?code=500&count=1");
  const Exchange reply = demo("ActiveTestReq");
  EXPECT_EQ(reply.status, 500);
  EXPECT_EQ(at(reply.body, "UserIP"), "127.0.0.1");
}

TEST_F(ReferenceServiceTest, FaultsCountOnlyTheKindsTheyApplyTo) {
  service_.control("result?code=1&msg=ActiveTestReq&count=1");
  service_.control("userip?ip=198.51.100.9&count=1");
  service_.control("version?value=7.0&count=1");
  EXPECT_EQ(describe(demo("QueryUserProfileReq")), "Result 0");
  EXPECT_EQ(describe(demo("GetServiceListReq")), "Result 0");
  EXPECT_EQ(describe(demo("GetVersionReq")), "Result 0 VersionInfo 7.0");
  EXPECT_EQ(describe(demo("ActiveTestReq")), "Result 1");  // the result code wins over UserIP
  EXPECT_EQ(describe(demo("ActiveTestReq")), "Result 0 UserIP 127.0.0.1");
  EXPECT_EQ(describe(demo("GetVersionReq")), "Result 0 VersionInfo 6.0");
}

TEST_F(ReferenceServiceTest, DelayHoldsTheReplyBack) {
  service_.control("delay?ms=60000&count=1");
  // The delay is far longer than the client waits, so the reply cannot come in time.
  EXPECT_FALSE(Post(demoRequest("ActiveTestReq"), std::chrono::milliseconds(200)).answered);
  EXPECT_EQ(describe(demo("ActiveTestReq")), "Result 0 UserIP 127.0.0.1");
}

TEST_F(ReferenceServiceTest, RejectsMalformedControls) {
  for (const char* command :
       {"delay", "delay?ms=abc", "delay?ms=-5", "status?code=99", "result", "drop?count=0",
        "malformed?count=x", "userip?ip=192.0.2.1&msg=GetVersionReq", "nosuch"}) {
    SCOPED_TRACE(command);
    EXPECT_THROW(service_.control(command), std::runtime_error);
  }
  EXPECT_EQ(describe(demo("ActiveTestReq")), "Result 0 UserIP 127.0.0.1");  // nothing armed
}

TEST_F(ReferenceServiceTest, JournalsEveryRequestButTheControls) {
  for (int i = 0; i < 3; ++i) demo("ActiveTestReq");
  demo("QueryUserProfileReq");
  Post(basePacket("ActiveTestReq", "demo01", "wrong"));
  service_.control("drop?count=1");
  demo("GetVersionReq");
  httplib::Client("127.0.0.1", service_.port()).Get(kPelmarPath);

  EXPECT_EQ(service_.countRequests("ActiveTestReq"), 4);
  EXPECT_EQ(service_.countRequests("QueryUserProfileReq"), 1);
  const std::vector<ReferenceService::Request> requests = service_.requests();
  ASSERT_EQ(requests.size(), 7u);
  const auto fields = [](const ReferenceService::Request& r) {
    return std::vector<std::string>{r.method, r.path, r.msgType, r.user, r.outcome};
  };
  EXPECT_THAT(fields(requests[0]),
              ElementsAreArray({"POST", kPelmarPath, "ActiveTestReq", "demo01", "0"}));
  EXPECT_THAT(fields(requests[4]),
              ElementsAreArray({"POST", kPelmarPath, "ActiveTestReq", "demo01", "102"}));
  EXPECT_THAT(fields(requests[5]),
              ElementsAreArray({"POST", kPelmarPath, "GetVersionReq", "", "dropped"}));
  EXPECT_THAT(fields(requests[6]), ElementsAreArray({"GET", kPelmarPath, "", "", "http-405"}));

  service_.reset();
  EXPECT_TRUE(service_.requests().empty());
}

TEST_F(ReferenceServiceTest, KeepsTheLastAcceptedReports) {
  EXPECT_EQ(service_.lastReport("system"), "");
  demo("PostSystemInfoReq");
  const std::string latest = systemReport("6.1 (7601.Service Pack 1)");
  Post(latest);
  Post(basePacket("PostSystemInfoReq", "demo01", "wrong", "<SystemInfo/>"));  // refused
  demo("PostNetworkInfoReq");

  EXPECT_EQ(service_.lastReport("system"), latest);
  EXPECT_EQ(service_.lastReport("network"), kNetworkReport);
  pugi::xml_document reports;
  ASSERT_TRUE(reports.load_string(service_.control("reports").c_str()));
  EXPECT_EQ(reports.select_nodes("/Reports/PelmarPacket").size(), 2u);
  EXPECT_STREQ(
      reports.select_node("/Reports/PelmarPacket[1]/SystemInfo/OSVersion").node().text().get(),
      "6.1 (7601.Service Pack 1)");
  EXPECT_STREQ(
      reports.select_node("/Reports/PelmarPacket[2]/NetworkInfo/MacAddr").node().text().get(),
      "00-0C-29-3A-4B-5C");

  service_.reset();
  EXPECT_EQ(service_.lastReport("network"), "");
}

TEST(ReferenceServiceLogTest, WritesOneLinePerRequest) {
  TempDir dir;
  const std::filesystem::path log = dir / "service.log";
  {
    ReferenceService service({.dataFile = {}, .logFile = log});
    httplib::Client client("127.0.0.1", service.port());
    client.Post(kPelmarPath, basePacket("ActiveTestReq", "demo01", "demo-pass"), "text/xml");
    client.Post(kPelmarPath, basePacket("GetServiceListReq", "nobody", "x"), "text/xml");
  }
  std::ifstream file(log);
  std::vector<std::vector<std::string>> lines;
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    lines.emplace_back(std::istream_iterator<std::string>(words),
                       std::istream_iterator<std::string>());
  }
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(std::vector(lines[0].begin() + 1, lines[0].end()),
              ElementsAre("127.0.0.1", "ActiveTestReq", "demo01", "0"));
  EXPECT_THAT(std::vector(lines[1].begin() + 1, lines[1].end()),
              ElementsAre("127.0.0.1", "GetServiceListReq", "nobody", "100"));
  EXPECT_THAT(lines[0][0],
              ::testing::MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:]{8}\\.[0-9]{3}Z"));
}

}  // namespace
}  // namespace kelbrin::test
