#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {

// A fresh PelmarPacket document for one serialisation of a request: MsgType first, then the
// given fields in order, then whatever the request appends to Packet().
class PelmarEnvelope {
 public:
  using Field = std::pair<const char*, std::string_view>;

  // Throws std::runtime_error when the document cannot be built.
  PelmarEnvelope(std::string_view msgType, std::initializer_list<Field> fields);

  pugi::xml_node Packet() const { return packet_; }
  std::string Text() const { return document_.Serialize(); }

 private:
  XmlDocument document_;
  pugi::xml_node packet_;
};

}  // namespace kelbrin::protocol
