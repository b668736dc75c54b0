#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace kelbrin::protocol {

// One DNS record of a domain name, read from a ResourceInfo element.
class TResourceInfoSchema {
 public:
  std::string ResourceType;
  std::string KeyName;
  std::string KeyValue;
  std::string TransURL;

  // Fills the fields from the first child element of each name; a missing one keeps the field.
  void LoadFromNode(pugi::xml_node node);

  // ResourceType compared in upper case: "A Record", "MX Record", "CNAME Record", else "Unknow".
  std::string_view TypeLabel() const;
};

}  // namespace kelbrin::protocol
