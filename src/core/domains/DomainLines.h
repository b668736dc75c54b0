#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

#include "protocol/TDomainInfoSchema.h"
#include "protocol/TResourceInfoSchema.h"

namespace kelbrin::domains {

// The texts of the domain information view, without any toolkit, so that the window and the
// command line show the same lines.

// The label of a domain in the tree: DomainName immediately followed by SuffixName.
std::string DomainNodeText(const protocol::TDomainInfoSchema& domain);

// True while `today` lies before the domain's EndDate. An EndDate that is not a yyyymmdd date
// counts as lapsed, so one garbled record never keeps the rest of the list from showing.
bool DomainInService(const protocol::TDomainInfoSchema& domain, std::chrono::year_month_day today);

// The first line for the root: "Total: N domain names.".
std::string TotalLine(std::size_t domainCount);

// The lines of one domain. A line is empty (nullopt) where the domain's option code is not a
// number or a known one: the view then keeps what that line showed before.
struct DomainLineTexts {
  std::string lab1;                 // name and suffix
  std::optional<std::string> lab2;  // where the name points online
  std::optional<std::string> lab3;  // where the name points offline
  std::string lab7;                 // service period
};
DomainLineTexts DomainLines(const protocol::TDomainInfoSchema& domain);

// The lines of one DNS record: type and data, and the redirection.
struct RecordLineTexts {
  std::string lab5;
  std::string lab6;
};
RecordLineTexts RecordLines(const protocol::TResourceInfoSchema& record);

}  // namespace kelbrin::domains
