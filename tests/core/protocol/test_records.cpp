#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "protocol/TDomainInfoSchema.h"
#include "protocol/TUserProfileSchema.h"
#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {
namespace {

constexpr std::string_view kDomain =
    "<DomainInfo><DomainName>demo01</DomainName><SuffixName>…</SuffixName>"
    "<OnlineOpt>0</OnlineOpt><OfflineOpt>3</OfflineOpt><StartDate>20080101</StartDate>"
    "<EndDate>20081231</EndDate><DomainStatus>0</DomainStatus>"
    "<ResourceInfo><ResourceType>A</ResourceType><KeyName>www</KeyName>"
    "<KeyValue>203.0.113.7</KeyValue><TransURL></TransURL></ResourceInfo>"
    "<ResourceInfo><ResourceType>mx</ResourceType><KeyName>mail</KeyName></ResourceInfo>"
    "</DomainInfo>";

class DomainRecord : public testing::Test {
 protected:
  pugi::xml_node Load(std::string_view text) {
    EXPECT_TRUE(document_.Load(text));
    return document_.Root().first_child();
  }

 private:
  XmlDocument document_;
};

TEST_F(DomainRecord, ReadsTheExampleElement) {
  TDomainInfoSchema domain;
  domain.LoadFromNode(Load(kDomain));
  EXPECT_EQ(domain.DomainName, "demo01");
  EXPECT_EQ(domain.SuffixName, "…");
  EXPECT_EQ(domain.OnlineOpt, "0");
  EXPECT_EQ(domain.OfflineOpt, "3");
  EXPECT_EQ(domain.StartDate, "20080101");
  EXPECT_EQ(domain.EndDate, "20081231");
  EXPECT_EQ(domain.DomainStatus, "0");
  EXPECT_EQ(domain.OnlineStaticIP, "") << "left out, so it keeps the fresh record's value";
  ASSERT_EQ(domain.ResourceInfos.size(), 2u);
  EXPECT_EQ(domain.ResourceInfos[0].ResourceType, "A");
  EXPECT_EQ(domain.ResourceInfos[0].KeyName, "www");
  EXPECT_EQ(domain.ResourceInfos[0].KeyValue, "203.0.113.7");
  EXPECT_EQ(domain.ResourceInfos[0].TransURL, "");
  EXPECT_EQ(domain.ResourceInfos[1].KeyName, "mail");
  EXPECT_EQ(domain.ResourceInfos[1].KeyValue, "") << "each resource record starts fresh";
}

TEST_F(DomainRecord, ReloadReplacesResourcesAndKeepsMissingFields) {
  TDomainInfoSchema domain;
  domain.LoadFromNode(Load(kDomain));
  domain.LoadFromNode(Load(kDomain));
  EXPECT_EQ(domain.ResourceInfos.size(), 2u);

  domain.LoadFromNode(Load("<DomainInfo><EndDate>20091231</EndDate></DomainInfo>"));
  EXPECT_TRUE(domain.ResourceInfos.empty());
  EXPECT_EQ(domain.EndDate, "20091231");
  EXPECT_EQ(domain.DomainName, "demo01");
}

TEST_F(DomainRecord, ReadsOnlyDirectChildren) {
  TDomainInfoSchema domain;
  domain.LoadFromNode(Load(
      "<DomainInfo><Extra><DomainName>nested</DomainName><ResourceInfo/></Extra></DomainInfo>"));
  EXPECT_EQ(domain.DomainName, "");
  EXPECT_TRUE(domain.ResourceInfos.empty());
}

TEST(TResourceInfoSchema, TypeLabelComparesInUpperCase) {
  struct Case {
    const char* type;
    std::string_view label;
  };
  for (const Case& c :
       {Case{"A", "A Record"}, Case{"a", "A Record"}, Case{"mx", "MX Record"},
        Case{"Cname", "CNAME Record"}, Case{"AAAA", "Unknow"}, Case{"", "Unknow"}}) {
    TResourceInfoSchema record;
    record.ResourceType = c.type;
    EXPECT_EQ(record.TypeLabel(), c.label) << c.type;
  }
}

TEST(TUserProfileSchema, PayTypeNames) {
  struct Case {
    const char* payType;
    std::string_view name;
  };
  for (const Case& c :
       {Case{"0", "Trial user"}, Case{"1", "Formal user"}, Case{"2", "Overdue User"},
        Case{"3", "Unknown"}, Case{"", "Unknown"}, Case{"01", "Unknown"}}) {
    EXPECT_EQ(TUserProfileSchema::PayTypeName(c.payType), c.name) << c.payType;
  }
}

}  // namespace
}  // namespace kelbrin::protocol
