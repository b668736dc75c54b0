#include "platform/machine/MemInfo.h"

#include <map>
#include <sstream>
#include <string>

namespace kelbrin::platform {

MemInfo ReadMemInfo(const std::filesystem::path& root) {
  std::map<std::string, std::uint64_t> kb;
  std::istringstream lines(ReadFactFile(UnderRoot(root, "proc/meminfo")).value_or(""));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string name;
    std::uint64_t value = 0;
    if (fields >> name >> value && name.size() > 1 && name.back() == ':') {
      name.pop_back();
      kb.emplace(name, value);
    }
  }
  const auto value = [&kb](const char* name) {
    const auto it = kb.find(name);
    return it == kb.end() ? std::uint64_t{0} : it->second;
  };
  return {value("MemTotal"),
          kb.contains("MemAvailable") ? value("MemAvailable") : value("MemFree")};
}

}  // namespace kelbrin::platform
