#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelbrin::protocol {

// A document cut into the children of its root that carry one name and the rest, so that a long
// list of such children can be read one child at a time instead of as one tree. Loading the rest
// and every child on their own accepts and reads exactly what loading the whole text would.
struct XmlChildSplit {
  struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;  // one past the child's last character
  };
  std::string rest;            // the text without the children
  std::vector<Span> children;  // where each child lies in the text, in document order
};

// Finds the children named `child` of a root element named `root` by scanning the markup. Empty
// when the text holds anything the scan does not follow (a document type declaration, a stray
// "<", an unterminated construct); such text is read as a whole, which decides whether it loads.
std::optional<XmlChildSplit> SplitRootChildren(std::string_view text, std::string_view root,
                                               std::string_view child);

}  // namespace kelbrin::protocol
