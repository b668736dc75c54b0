#pragma once

#include <pugixml.hpp>
#include <string>

namespace kelbrin::protocol {

// The machine's operating-system, memory and processor facts of the system report.
class TSystemInfoSchema {
 public:
  std::string OSVersion;
  std::string PackInfo;
  std::string IISVersion;
  std::string MemoryInfo;
  std::string CPUVersion;
  std::string CPUFreq;

  // Appends a SystemInfo element with one child per field, in order; empty fields give empty
  // elements. Throws std::runtime_error when a node cannot be created.
  void AppendToNode(pugi::xml_node parent) const;
};

}  // namespace kelbrin::protocol
