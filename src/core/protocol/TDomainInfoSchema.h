#pragma once

#include <pugixml.hpp>
#include <string>
#include <vector>

#include "protocol/TResourceInfoSchema.h"

namespace kelbrin::protocol {

// One domain name of the subscriber with its DNS records, read from a DomainInfo element.
class TDomainInfoSchema {
 public:
  std::string DomainName;
  std::string SuffixName;
  std::string OnlineOpt;
  std::string OnlineStaticIP;
  std::string OnlineTransURL;
  std::string OfflineOpt;
  std::string OfflineStaticIP;
  std::string OfflineTransURL;
  std::string TTL;
  std::string Status;
  std::string StartDate;
  std::string EndDate;
  std::string DomainStatus;
  std::vector<TResourceInfoSchema> ResourceInfos;

  // Fills the plain fields from the first child element of each name (a missing one keeps the
  // field) and replaces ResourceInfos with one record per ResourceInfo child, in order.
  void LoadFromNode(pugi::xml_node node);
};

}  // namespace kelbrin::protocol
