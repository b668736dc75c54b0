#include "protocol/TDomainInfoSchema.h"

#include <utility>

#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {
namespace {

constexpr std::pair<const char*, std::string TDomainInfoSchema::*> kFields[] = {
    {"DomainName", &TDomainInfoSchema::DomainName},
    {"SuffixName", &TDomainInfoSchema::SuffixName},
    {"OnlineOpt", &TDomainInfoSchema::OnlineOpt},
    {"OnlineStaticIP", &TDomainInfoSchema::OnlineStaticIP},
    {"OnlineTransURL", &TDomainInfoSchema::OnlineTransURL},
    {"OfflineOpt", &TDomainInfoSchema::OfflineOpt},
    {"OfflineStaticIP", &TDomainInfoSchema::OfflineStaticIP},
    {"OfflineTransURL", &TDomainInfoSchema::OfflineTransURL},
    {"TTL", &TDomainInfoSchema::TTL},
    {"Status", &TDomainInfoSchema::Status},
    {"StartDate", &TDomainInfoSchema::StartDate},
    {"EndDate", &TDomainInfoSchema::EndDate},
    {"DomainStatus", &TDomainInfoSchema::DomainStatus},
};

}  // namespace

void TDomainInfoSchema::LoadFromNode(pugi::xml_node node) {
  for (const auto& [name, field] : kFields) XmlDocument::ReadTrimmedText(node, name, this->*field);
  const std::vector<pugi::xml_node> resources = XmlDocument::SelectAll(node, "ResourceInfo");
  ResourceInfos.assign(resources.size(), TResourceInfoSchema{});
  for (size_t i = 0; i < resources.size(); ++i) ResourceInfos[i].LoadFromNode(resources[i]);
}

}  // namespace kelbrin::protocol
