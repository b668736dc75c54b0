#include "protocol/XmlDocument.h"

#include <sstream>
#include <stdexcept>

#include "protocol/XmlCharacterCheck.h"

namespace kelbrin::protocol {
namespace {

// pugixml accepts several top-level elements or stray text around the root; a reply must be
// exactly one element tree. Fragment mode keeps top-level text so it can be seen here.
bool HasSingleElementTree(const pugi::xml_document& document) {
  int elements = 0;
  for (pugi::xml_node child : document.children()) {
    switch (child.type()) {
      case pugi::node_element:
        ++elements;
        break;
      case pugi::node_pcdata:
      case pugi::node_cdata:
        return false;
      default:
        break;
    }
  }
  return elements == 1;
}

std::string_view FirstStep(std::string_view path) { return path.substr(0, path.find('/')); }

std::string_view RestAfterFirstStep(std::string_view path) {
  const size_t slash = path.find('/');
  return slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
}

bool IsElementNamed(pugi::xml_node node, std::string_view name) {
  return node.type() == pugi::node_element && name == node.name();
}

// Recursion depth is the number of steps in the path, never the depth of the document.
template <typename Visit>
bool VisitMatches(pugi::xml_node from, std::string_view path, Visit& visit) {
  const std::string_view step = FirstStep(path);
  const std::string_view rest = RestAfterFirstStep(path);
  const bool last = step.size() == path.size();
  for (pugi::xml_node child = from.first_child(); child; child = child.next_sibling()) {
    if (!IsElementNamed(child, step)) continue;
    if (last ? !visit(child) : !VisitMatches(child, rest, visit)) return false;
  }
  return true;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

bool XmlDocument::Load(std::string_view text) {
  document_.reset();
  if (!HasOnlyXmlCharactersAndReferences(text)) return false;
  const unsigned int options = pugi::parse_default | pugi::parse_declaration | pugi::parse_fragment;
  const pugi::xml_parse_result result =
      document_.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8);
  if (result && HasSingleElementTree(document_)) return true;
  document_.reset();
  return false;
}

std::string XmlDocument::Serialize() const {
  std::ostringstream out;
  document_.save(out, "", pugi::format_raw | pugi::format_no_empty_element_tags,
                 pugi::encoding_utf8);
  // pugixml writes a CR in text as it is, and the receiving parser would read it as an LF (a
  // password with a CR would not be the one typed): a character reference reads back as a CR.
  std::string text = std::move(out).str();
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (c == '\r') {
      escaped += "&#13;";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

pugi::xml_node XmlDocument::SelectFirst(pugi::xml_node from, std::string_view path) {
  pugi::xml_node found;
  auto takeFirst = [&found](pugi::xml_node node) {
    found = node;
    return false;
  };
  VisitMatches(from, path, takeFirst);
  return found;
}

std::vector<pugi::xml_node> XmlDocument::SelectAll(pugi::xml_node from, std::string_view path) {
  std::vector<pugi::xml_node> found;
  auto collect = [&found](pugi::xml_node node) {
    found.push_back(node);
    return true;
  };
  VisitMatches(from, path, collect);
  return found;
}

std::string XmlDocument::TrimmedText(pugi::xml_node node) {
  // Iterative walk: hostile documents may nest far deeper than the stack allows.
  std::string text;
  pugi::xml_node current = node.first_child();
  while (current) {
    if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata) {
      text += current.value();
    }
    if (current.first_child()) {
      current = current.first_child();
      continue;
    }
    while (current != node && !current.next_sibling()) current = current.parent();
    if (current == node) break;
    current = current.next_sibling();
  }
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlankOrControl(text[begin])) ++begin;
  while (end > begin && IsBlankOrControl(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

void XmlDocument::ReadTrimmedText(pugi::xml_node from, std::string_view path, std::string& field) {
  if (const pugi::xml_node node = SelectFirst(from, path)) field = TrimmedText(node);
}

pugi::xml_node XmlDocument::AppendTextElement(pugi::xml_node parent, const char* name,
                                              std::string_view text) {
  pugi::xml_node element = parent.append_child(name);
  if (!element) throw std::runtime_error(std::string("cannot append element ") + name);
  if (!text.empty() && !element.text().set(text.data(), text.size())) {
    throw std::runtime_error(std::string("cannot set the text of element ") + name);
  }
  return element;
}

}  // namespace kelbrin::protocol
