#include "protocol/TNetworkInfoSchema.h"

#include <utility>

#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {
namespace {

constexpr std::pair<const char*, std::string TNetworkInfoSchema::*> kFields[] = {
    {"ConnName", &TNetworkInfoSchema::ConnName}, {"HardWare", &TNetworkInfoSchema::HardWare},
    {"MacAddr", &TNetworkInfoSchema::MacAddr},   {"DHCPRun", &TNetworkInfoSchema::DHCPRun},
    {"IPAddr", &TNetworkInfoSchema::IPAddr},     {"SubMask", &TNetworkInfoSchema::SubMask},
    {"Gateway", &TNetworkInfoSchema::Gateway},   {"DNSServer", &TNetworkInfoSchema::DNSServer},
};

}  // namespace

void TNetworkInfoSchema::AppendToNode(pugi::xml_node parent) const {
  const pugi::xml_node record = XmlDocument::AppendTextElement(parent, "NetworkInfo", {});
  for (const auto& [name, field] : kFields)
    XmlDocument::AppendTextElement(record, name, this->*field);
}

}  // namespace kelbrin::protocol
