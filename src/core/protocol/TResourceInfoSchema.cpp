#include "protocol/TResourceInfoSchema.h"

#include <algorithm>
#include <utility>

#include "protocol/XmlDocument.h"
#include "runtime/Translate.h"

namespace kelbrin::protocol {
namespace {

constexpr std::pair<const char*, std::string TResourceInfoSchema::*> kFields[] = {
    {"ResourceType", &TResourceInfoSchema::ResourceType},
    {"KeyName", &TResourceInfoSchema::KeyName},
    {"KeyValue", &TResourceInfoSchema::KeyValue},
    {"TransURL", &TResourceInfoSchema::TransURL},
};

// ASCII only: the record types are ASCII and the user's locale must not change the comparison.
std::string AsciiUpper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  return text;
}

}  // namespace

void TResourceInfoSchema::LoadFromNode(pugi::xml_node node) {
  for (const auto& [name, field] : kFields) XmlDocument::ReadTrimmedText(node, name, this->*field);
}

std::string_view TResourceInfoSchema::TypeLabel() const {
  const std::string type = AsciiUpper(ResourceType);
  if (type == "A") return runtime::Translatable("A Record");
  if (type == "MX") return runtime::Translatable("MX Record");
  if (type == "CNAME") return runtime::Translatable("CNAME Record");
  return runtime::Translatable("Unknow");
}

}  // namespace kelbrin::protocol
