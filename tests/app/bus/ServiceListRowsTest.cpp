// The service list as the bus carries it to the desktop.
#include <gtest/gtest.h>

#include "app/bus/ServiceListRows.h"

namespace {

using kelbrin::app::ServiceListFromRows;
using kelbrin::app::ServiceListRows;
using kelbrin::protocol::TGetServiceListResp;

TGetServiceListResp TwoDomains() {
  TGetServiceListResp list;
  list.DomainInfos.resize(2);
  auto& first = list.DomainInfos[0];
  first = {"demo01", "example.net", "1", "",         "",         "0", "",
           "",       "600",         "0", "20250101", "20991231", "0", {}};
  first.ResourceInfos = {{"A", "www", "203.0.113.7", ""}, {"MX", "mail", "mx.example.net", ""}};
  auto& second = list.DomainInfos[1];
  second.DomainName = "office";
  second.SuffixName = "example.org";
  second.OnlineTransURL = "http://example.org/a|b\n";
  second.ResourceInfos = {{"CNAME", "ftp", "www.example.org", "http://example.org/"}};
  return list;
}

void ExpectSame(const TGetServiceListResp& a, const TGetServiceListResp& b) {
  ASSERT_EQ(a.DomainInfos.size(), b.DomainInfos.size());
  for (std::size_t i = 0; i < a.DomainInfos.size(); ++i) {
    const auto& x = a.DomainInfos[i];
    const auto& y = b.DomainInfos[i];
    EXPECT_EQ(std::tie(x.DomainName, x.SuffixName, x.OnlineOpt, x.OnlineStaticIP, x.OnlineTransURL,
                       x.OfflineOpt, x.OfflineStaticIP, x.OfflineTransURL, x.TTL, x.Status,
                       x.StartDate, x.EndDate, x.DomainStatus),
              std::tie(y.DomainName, y.SuffixName, y.OnlineOpt, y.OnlineStaticIP, y.OnlineTransURL,
                       y.OfflineOpt, y.OfflineStaticIP, y.OfflineTransURL, y.TTL, y.Status,
                       y.StartDate, y.EndDate, y.DomainStatus));
    ASSERT_EQ(x.ResourceInfos.size(), y.ResourceInfos.size());
    for (std::size_t r = 0; r < x.ResourceInfos.size(); ++r) {
      const auto& p = x.ResourceInfos[r];
      const auto& q = y.ResourceInfos[r];
      EXPECT_EQ(std::tie(p.ResourceType, p.KeyName, p.KeyValue, p.TransURL),
                std::tie(q.ResourceType, q.KeyName, q.KeyValue, q.TransURL));
    }
  }
}

TEST(ServiceListRowsTest, EveryDomainAndRecordComesBackInItsOrder) {
  const TGetServiceListResp list = TwoDomains();
  const auto rows = ServiceListRows(list);
  ASSERT_EQ(rows.size(), 5u);  // two domains, three records
  for (const auto& row : rows) EXPECT_EQ(row.size(), kelbrin::app::kServiceListRowWidth);
  ExpectSame(ServiceListFromRows(rows), list);
  EXPECT_TRUE(ServiceListFromRows(ServiceListRows(TGetServiceListResp{})).DomainInfos.empty());
}

TEST(ServiceListRowsTest, RowsOfAnotherShapeArePassedOver) {
  auto rows = ServiceListRows(TwoDomains());
  rows.insert(rows.begin(), {"record", "A", "orphan"});  // too short, and before any domain
  rows.insert(rows.begin(), std::vector<std::string>(kelbrin::app::kServiceListRowWidth, "x"));
  rows.push_back(std::vector<std::string>(kelbrin::app::kServiceListRowWidth + 1, "domain"));
  ExpectSame(ServiceListFromRows(rows), TwoDomains());
}

}  // namespace
