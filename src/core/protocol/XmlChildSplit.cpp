#include "protocol/XmlChildSplit.h"

namespace kelbrin::protocol {
namespace {

bool IsNameEnd(char c) {
  return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// One piece of markup that starts at a '<'.
struct Tag {
  enum class Kind { Skipped, Start, End, Unknown } kind = Kind::Unknown;
  std::string_view name;
  bool selfClosing = false;
  std::size_t end = 0;  // one past its '>'
};

// The construct that starts at `text[at] == '<'`: comments, processing instructions and CDATA
// sections are skipped whole; a tag is read over its quoted attribute values.
Tag ReadTag(std::string_view text, std::size_t at) {
  Tag tag;
  const std::string_view from = text.substr(at);
  const auto skipTo = [&](std::string_view opener, std::string_view closer) {
    const std::size_t close = text.find(closer, at + opener.size());
    if (close != std::string_view::npos) {
      tag.kind = Tag::Kind::Skipped;
      tag.end = close + closer.size();
    }
    return tag;
  };
  if (from.starts_with("<!--")) return skipTo("<!--", "-->");
  if (from.starts_with("<![CDATA[")) return skipTo("<![CDATA[", "]]>");
  if (from.starts_with("<?")) return skipTo("<?", "?>");
  if (from.starts_with("<!")) return tag;  // a document type declaration: read as a whole
  const bool closing = from.starts_with("</");
  const std::size_t nameBegin = at + (closing ? 2 : 1);
  std::size_t cursor = nameBegin;
  while (cursor < text.size() && !IsNameEnd(text[cursor])) ++cursor;
  if (cursor == nameBegin) return tag;
  tag.name = text.substr(nameBegin, cursor - nameBegin);
  char quote = 0;
  for (; cursor < text.size(); ++cursor) {
    const char c = text[cursor];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '>') {
      break;
    }
  }
  if (cursor == text.size()) return tag;
  tag.kind = closing ? Tag::Kind::End : Tag::Kind::Start;
  tag.selfClosing = !closing && text[cursor - 1] == '/';
  tag.end = cursor + 1;
  return tag;
}

}  // namespace

std::optional<XmlChildSplit> SplitRootChildren(std::string_view text, std::string_view root,
                                               std::string_view child) {
  XmlChildSplit split;
  std::size_t depth = 0;
  bool rootSeen = false;
  bool rootMatches = false;
  std::size_t childBegin = std::string_view::npos;
  std::size_t restUpTo = 0;  // text before this offset is in `rest` or a child already
  const auto takeChild = [&](std::size_t begin, std::size_t end) {
    split.rest.append(text.substr(restUpTo, begin - restUpTo));
    split.children.push_back({begin, end});
    restUpTo = end;
  };
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
    const Tag tag = ReadTag(text, at);
    switch (tag.kind) {
      case Tag::Kind::Unknown:
        return std::nullopt;
      case Tag::Kind::Skipped:
        break;
      case Tag::Kind::Start:
        if (depth == 0) {
          // A second root is refused by the whole-text reading; let it decide.
          if (rootSeen) return std::nullopt;
          rootSeen = true;
          rootMatches = tag.name == root;
        }
        if (depth == 1 && rootMatches && tag.name == child) {
          if (tag.selfClosing) {
            takeChild(at, tag.end);
          } else {
            childBegin = at;
          }
        }
        if (!tag.selfClosing) ++depth;
        break;
      case Tag::Kind::End:
        if (depth == 0) return std::nullopt;
        --depth;
        if (depth == 1 && childBegin != std::string_view::npos) {
          takeChild(childBegin, tag.end);
          childBegin = std::string_view::npos;
        }
        break;
    }
    at = tag.end;
  }
  if (depth != 0) return std::nullopt;
  split.rest.append(text.substr(restUpTo));
  return split;
}

}  // namespace kelbrin::protocol
