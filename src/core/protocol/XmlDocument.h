#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace kelbrin::protocol {

// The XML document behind every Pelmar message: strict loading of untrusted text, selection by
// paths of plain child steps ("PelmarPacket/Result"), trimmed element text and raw serialisation.
// Nodes are pugixml handles; they stay valid while the document lives and is not reloaded.
class XmlDocument {
 public:
  // Replaces the content with `text` (UTF-8). Returns false and leaves the document empty when
  // the text is not one well-formed element tree, which includes a character XML does not allow
  // (XmlCharacterCheck.h). No DTD is processed: a reference to any entity but the five predefined
  // ones is refused, never expanded.
  bool Load(std::string_view text);

  // The document node: the starting point of paths such as "PelmarPacket/Result".
  pugi::xml_node Root() const { return document_.root(); }

  // The whole document as UTF-8 text, with no whitespace added between elements and empty
  // elements written as <X></X>. A CR is written as "&#13;", so that it reads back as a CR.
  std::string Serialize() const;

  // The first element matching `path` below `from`, in document order; an empty node if none.
  static pugi::xml_node SelectFirst(pugi::xml_node from, std::string_view path);
  // Every element matching `path` below `from`, in document order.
  static std::vector<pugi::xml_node> SelectAll(pugi::xml_node from, std::string_view path);

  // All text below `node`, concatenated, with leading and trailing characters up to and
  // including the space character removed.
  static std::string TrimmedText(pugi::xml_node node);
  // Sets `field` to the trimmed text of the first match of `path`; keeps it when nothing matches.
  static void ReadTrimmedText(pugi::xml_node from, std::string_view path, std::string& field);

  // Appends <name>text</name> to `parent`; an empty text gives an empty element.
  static pugi::xml_node AppendTextElement(pugi::xml_node parent, const char* name,
                                          std::string_view text);

 private:
  pugi::xml_document document_;
};

}  // namespace kelbrin::protocol
