#include "app/bus/ServiceListRows.h"

#include <array>

namespace kelbrin::app {

namespace {

using protocol::TDomainInfoSchema;
using protocol::TResourceInfoSchema;

constexpr char kDomainRow[] = "domain";
constexpr char kRecordRow[] = "record";

// The fields in the order of their columns, after the row's kind.
std::array<std::string TDomainInfoSchema::*, 13> DomainFields() {
  return {&TDomainInfoSchema::DomainName,
          &TDomainInfoSchema::SuffixName,
          &TDomainInfoSchema::OnlineOpt,
          &TDomainInfoSchema::OnlineStaticIP,
          &TDomainInfoSchema::OnlineTransURL,
          &TDomainInfoSchema::OfflineOpt,
          &TDomainInfoSchema::OfflineStaticIP,
          &TDomainInfoSchema::OfflineTransURL,
          &TDomainInfoSchema::TTL,
          &TDomainInfoSchema::Status,
          &TDomainInfoSchema::StartDate,
          &TDomainInfoSchema::EndDate,
          &TDomainInfoSchema::DomainStatus};
}

std::array<std::string TResourceInfoSchema::*, 4> RecordFields() {
  return {&TResourceInfoSchema::ResourceType, &TResourceInfoSchema::KeyName,
          &TResourceInfoSchema::KeyValue, &TResourceInfoSchema::TransURL};
}

template <typename Record, std::size_t N>
std::vector<std::string> Row(const char* kind, const Record& record,
                             const std::array<std::string Record::*, N>& fields) {
  std::vector<std::string> row{kind};
  for (const auto field : fields) row.push_back(record.*field);
  row.resize(kServiceListRowWidth);
  return row;
}

template <typename Record, std::size_t N>
Record FromRow(const std::vector<std::string>& row,
               const std::array<std::string Record::*, N>& fields) {
  Record record;
  for (std::size_t column = 0; column < N; ++column) record.*fields[column] = row[column + 1];
  return record;
}

}  // namespace

TextRows ServiceListRows(const protocol::TGetServiceListResp& list) {
  TextRows rows;
  for (const TDomainInfoSchema& domain : list.DomainInfos) {
    rows.push_back(Row(kDomainRow, domain, DomainFields()));
    for (const TResourceInfoSchema& record : domain.ResourceInfos) {
      rows.push_back(Row(kRecordRow, record, RecordFields()));
    }
  }
  return rows;
}

protocol::TGetServiceListResp ServiceListFromRows(const TextRows& rows) {
  protocol::TGetServiceListResp list;
  for (const std::vector<std::string>& row : rows) {
    if (row.size() != kServiceListRowWidth) continue;
    if (row[0] == kDomainRow) {
      list.DomainInfos.push_back(FromRow(row, DomainFields()));
    } else if (row[0] == kRecordRow && !list.DomainInfos.empty()) {
      list.DomainInfos.back().ResourceInfos.push_back(FromRow(row, RecordFields()));
    }
  }
  return list;
}

}  // namespace kelbrin::app
