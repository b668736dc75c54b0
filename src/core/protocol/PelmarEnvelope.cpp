#include "protocol/PelmarEnvelope.h"

#include <stdexcept>

namespace kelbrin::protocol {
namespace {

// The service's documents start from this seed. The text handed to the transport is UTF-8, so
// the declaration is rewritten to say so: naming GBK would tell a strict receiver to misread
// every non-ASCII byte.
constexpr std::string_view kSeed = R"(<?xml version="1.0" encoding="GBK"?><PelmarPacket/>)";

void DeclareUtf8(pugi::xml_node documentRoot) {
  for (pugi::xml_node child : documentRoot.children()) {
    if (child.type() == pugi::node_declaration) {
      child.attribute("encoding").set_value("UTF-8");
      return;
    }
  }
}

}  // namespace

PelmarEnvelope::PelmarEnvelope(std::string_view msgType, std::initializer_list<Field> fields) {
  if (!document_.Load(kSeed)) throw std::runtime_error("cannot load the PelmarPacket seed");
  DeclareUtf8(document_.Root());
  packet_ = document_.Root().child("PelmarPacket");
  XmlDocument::AppendTextElement(packet_, "MsgType", msgType);
  for (const auto& [name, value] : fields) XmlDocument::AppendTextElement(packet_, name, value);
}

}  // namespace kelbrin::protocol
