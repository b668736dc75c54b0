#include "domains/DomainLines.h"

#include <charconv>
#include <stdexcept>

#include "protocol/Utilities.h"
#include "runtime/Translate.h"

namespace kelbrin::domains {

namespace {

// The option codes are decimal text; anything else (an empty element included) is no code.
std::optional<int> OptionCode(const std::string& text) {
  int value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  if (first == last || error != std::errc() || end != last) return std::nullopt;
  return value;
}

std::optional<std::string> OnlineLine(const protocol::TDomainInfoSchema& domain) {
  switch (OptionCode(domain.OnlineOpt).value_or(-1)) {
    case 0:
      return runtime::Translate("pointed to the client IP:");
    case 1:
      return runtime::Translate("pointed to the static IP：") + domain.OnlineStaticIP;
    case 2:
      return runtime::Translate("transmit into URL online:") + domain.OnlineTransURL;
    default:
      return std::nullopt;
  }
}

std::optional<std::string> OfflineLine(const protocol::TDomainInfoSchema& domain) {
  switch (OptionCode(domain.OfflineOpt).value_or(-1)) {
    case 0:
      return runtime::Translate("Keep offline state");
    case 1:
      return runtime::Translate("the Static IP directed ：") + domain.OfflineStaticIP;
    case 2:
      return runtime::Translate("URL directed ：") + domain.OfflineTransURL;
    case 3:
      return runtime::Translate("Kelbrin URL when offline");
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string DomainNodeText(const protocol::TDomainInfoSchema& domain) {
  return domain.DomainName + domain.SuffixName;
}

bool DomainInService(const protocol::TDomainInfoSchema& domain, std::chrono::year_month_day today) {
  try {
    return std::chrono::sys_days(protocol::DateFromYmd(domain.EndDate)) >
           std::chrono::sys_days(today);
  } catch (const std::invalid_argument&) {
    return false;
  }
}

std::string TotalLine(std::size_t domainCount) {
  return runtime::Translate("Total: ") + std::to_string(domainCount) +
         runtime::Translate(" domain names.");
}

DomainLineTexts DomainLines(const protocol::TDomainInfoSchema& domain) {
  return {runtime::Translate("Domain name：") + domain.DomainName +
              runtime::Translate("，suffix：") + domain.SuffixName,
          OnlineLine(domain), OfflineLine(domain),
          runtime::Translate("The Service is valid from") + domain.StartDate +
              runtime::Translate("to") + domain.EndDate};
}

RecordLineTexts RecordLines(const protocol::TResourceInfoSchema& record) {
  return {runtime::Translate(record.TypeLabel()) + record.KeyName +
              runtime::Translate("，DNS Data：") + record.KeyValue,
          runtime::Translate("The host is redirected to URL：") + record.TransURL};
}

}  // namespace kelbrin::domains
