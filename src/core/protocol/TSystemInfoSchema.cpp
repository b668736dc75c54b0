#include "protocol/TSystemInfoSchema.h"

#include <utility>

#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {
namespace {

constexpr std::pair<const char*, std::string TSystemInfoSchema::*> kFields[] = {
    {"OSVersion", &TSystemInfoSchema::OSVersion},   {"PackInfo", &TSystemInfoSchema::PackInfo},
    {"IISVersion", &TSystemInfoSchema::IISVersion}, {"MemoryInfo", &TSystemInfoSchema::MemoryInfo},
    {"CPUVersion", &TSystemInfoSchema::CPUVersion}, {"CPUFreq", &TSystemInfoSchema::CPUFreq},
};

}  // namespace

void TSystemInfoSchema::AppendToNode(pugi::xml_node parent) const {
  const pugi::xml_node record = XmlDocument::AppendTextElement(parent, "SystemInfo", {});
  for (const auto& [name, field] : kFields)
    XmlDocument::AppendTextElement(record, name, this->*field);
}

}  // namespace kelbrin::protocol
