#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "domains/DomainLines.h"

namespace kelbrin::domains {
namespace {

using namespace std::chrono;

protocol::TDomainInfoSchema DemoDomain() {
  protocol::TDomainInfoSchema domain;
  domain.DomainName = "demo01";
  domain.SuffixName = ".example.net";
  domain.OnlineOpt = "0";
  domain.OnlineStaticIP = "198.51.100.20";
  domain.OnlineTransURL = "http://on.example.net/";
  domain.OfflineOpt = "3";
  domain.OfflineStaticIP = "192.0.2.9";
  domain.OfflineTransURL = "http://off.example.net/";
  domain.StartDate = "20250101";
  domain.EndDate = "20991231";
  return domain;
}

TEST(DomainLines, NameSuffixAndPeriod) {
  const auto domain = DemoDomain();
  EXPECT_EQ(DomainNodeText(domain), "demo01.example.net");
  const DomainLineTexts lines = DomainLines(domain);
  EXPECT_EQ(lines.lab1, "Domain name：demo01，suffix：.example.net");
  EXPECT_EQ(lines.lab7, "The Service is valid from20250101to20991231");
  EXPECT_EQ(TotalLine(0), "Total: 0 domain names.");
  EXPECT_EQ(TotalLine(100000), "Total: 100000 domain names.");
}

TEST(DomainLines, OnlinePointing) {
  const struct {
    const char* code;
    std::optional<std::string> line;
  } cases[] = {{"0", "pointed to the client IP:"},
               {"1", "pointed to the static IP：198.51.100.20"},
               {"2", "transmit into URL online:http://on.example.net/"},
               {"+1", "pointed to the static IP：198.51.100.20"},
               {"5", std::nullopt},
               {"-1", std::nullopt},
               {"", std::nullopt},
               {"x", std::nullopt},
               {"1x", std::nullopt},
               {"99999999999999999999", std::nullopt}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    auto domain = DemoDomain();
    domain.OnlineOpt = c.code;
    const DomainLineTexts lines = DomainLines(domain);
    EXPECT_EQ(lines.lab2, c.line);
    // The other lines do not depend on a bad code.
    EXPECT_EQ(lines.lab3, std::optional<std::string>("Kelbrin URL when offline"));
    EXPECT_EQ(lines.lab7, "The Service is valid from20250101to20991231");
  }
}

TEST(DomainLines, OfflinePointing) {
  const struct {
    const char* code;
    std::optional<std::string> line;
  } cases[] = {{"0", "Keep offline state"},
               {"1", "the Static IP directed ：192.0.2.9"},
               {"2", "URL directed ：http://off.example.net/"},
               {"3", "Kelbrin URL when offline"},
               {"4", std::nullopt},
               {"", std::nullopt},
               {"three", std::nullopt}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    auto domain = DemoDomain();
    domain.OfflineOpt = c.code;
    const DomainLineTexts lines = DomainLines(domain);
    EXPECT_EQ(lines.lab3, c.line);
    EXPECT_EQ(lines.lab2, std::optional<std::string>("pointed to the client IP:"));
  }
}

TEST(DomainLines, RecordLines) {
  const struct {
    const char* type;
    const char* lab5;
  } cases[] = {{"A", "A Recordwww，DNS Data：203.0.113.7"},
               {"mx", "MX Recordwww，DNS Data：203.0.113.7"},
               {"Cname", "CNAME Recordwww，DNS Data：203.0.113.7"},
               {"TXT", "Unknowwww，DNS Data：203.0.113.7"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    protocol::TResourceInfoSchema record;
    record.ResourceType = c.type;
    record.KeyName = "www";
    record.KeyValue = "203.0.113.7";
    record.TransURL = "http://www.example.net/";
    const RecordLineTexts lines = RecordLines(record);
    EXPECT_EQ(lines.lab5, c.lab5);
    EXPECT_EQ(lines.lab6, "The host is redirected to URL：http://www.example.net/");
  }
}

// In service while today lies before EndDate; lapsed on the end date itself, after it, and
// when EndDate is no date at all.
TEST(DomainLines, InServiceUntilTheEndDate) {
  const year_month_day today{year(2026), month(3), day(15)};
  const struct {
    const char* endDate;
    bool inService;
  } cases[] = {{"20260316", true},    {"20260315", false}, {"20260314", false}, {"20991231", true},
               {"2026-03-20", false}, {"", false},         {"20260230", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.endDate);
    auto domain = DemoDomain();
    domain.EndDate = c.endDate;
    EXPECT_EQ(DomainInService(domain, today), c.inService);
  }
}

}  // namespace
}  // namespace kelbrin::domains
