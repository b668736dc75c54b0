#include "protocol/TActiveTestResp.h"

#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {

bool TActiveTestResp::ParseXml(const std::string& text) {
  XmlDocument document;
  if (!document.Load(text)) return false;
  const pugi::xml_node root = document.Root();
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/MsgType", MsgType);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/Version", Version);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/UserIP", UserIP);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/Result", Result);
  return true;
}

}  // namespace kelbrin::protocol
