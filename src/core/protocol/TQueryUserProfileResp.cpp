#include "protocol/TQueryUserProfileResp.h"

namespace kelbrin::protocol {

bool TQueryUserProfileResp::ParseXml(const std::string& text) {
  XmlDocument document;
  if (!document.Load(text)) return false;
  const pugi::xml_node root = document.Root();
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/MsgType", MsgType);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/Version", Version);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/Result", Result);
  Profile.LoadFromDoc(document);
  return true;
}

}  // namespace kelbrin::protocol
