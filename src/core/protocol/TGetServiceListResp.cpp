#include "protocol/TGetServiceListResp.h"

#include <optional>
#include <utility>

#include "protocol/XmlChildSplit.h"
#include "protocol/XmlDocument.h"

namespace kelbrin::protocol {

namespace {

constexpr const char* kRoot = "PelmarPacket";
constexpr const char* kDomain = "DomainInfo";

}  // namespace

// A list of many domains is read one DomainInfo at a time: a tree of the whole reply would take
// several times the reply's size, a tree of one domain next to nothing.
bool TGetServiceListResp::ParseXml(const std::string& text) {
  const std::optional<XmlChildSplit> split = SplitRootChildren(text, kRoot, kDomain);
  XmlDocument document;
  if (!document.Load(split ? std::string_view(split->rest) : std::string_view(text))) return false;
  const pugi::xml_node root = document.Root();

  std::vector<TDomainInfoSchema> domains;
  if (split) {
    domains.reserve(split->children.size());
    XmlDocument one;
    for (const XmlChildSplit::Span& span : split->children) {
      if (!one.Load(std::string_view(text).substr(span.begin, span.end - span.begin))) {
        return false;
      }
      domains.emplace_back().LoadFromNode(XmlDocument::SelectFirst(one.Root(), kDomain));
    }
  } else {
    const std::vector<pugi::xml_node> nodes =
        XmlDocument::SelectAll(root, std::string(kRoot) + "/" + kDomain);
    domains.resize(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) domains[i].LoadFromNode(nodes[i]);
  }

  XmlDocument::ReadTrimmedText(root, "PelmarPacket/MsgType", MsgType);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/Version", Version);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/Result", Result);
  XmlDocument::ReadTrimmedText(root, "PelmarPacket/UserID", UserID);
  DomainInfos = std::move(domains);
  return true;
}

}  // namespace kelbrin::protocol
