#include "protocol/TGetServiceListResp.h"

#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {

bool TGetServiceListResp::ParseXml(const std::string& text) {
  XmlDocument document;
  if (!document.Load(text)) return false;
  const pugi::xml_node root = document.Root();
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/MsgType", MsgType);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/Version", Version);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/Result", Result);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/UserID", UserID);
  const std::vector<pugi::xml_node> domains =
      XmlDocument::SelectAll(root, "PelmarPacket/DomainInfo");
  DomainInfos.assign(domains.size(), TDomainInfoSchema{});
  for (size_t i = 0; i < domains.size(); ++i) DomainInfos[i].LoadFromNode(domains[i]);
  return true;
}

}  // namespace kelbrin::protocol
