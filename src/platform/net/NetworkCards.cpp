#include "platform/net/NetworkCards.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <sstream>
#include <system_error>
#include <tuple>
#include <utility>

#include "platform/files/TextTrim.h"

namespace kelbrin::platform {
namespace {

namespace fs = std::filesystem;

int InterfaceIndex(const fs::path& interfaceDir) {
  const std::string text =
      std::string(Trimmed(ReadFactFile(interfaceDir / "ifindex", 32).value_or("")));
  int index = 0;
  std::from_chars(text.data(), text.data() + text.size(), index);
  return index;
}

std::string UdevModel(const fs::path& root, int index) {
  std::map<std::string, std::string> properties;
  std::istringstream lines(
      ReadFactFile(UnderRoot(root, "run/udev/data/n" + std::to_string(index))).value_or(""));
  for (std::string line; std::getline(lines, line);) {
    const std::size_t equals = line.find('=');
    if (line.starts_with("E:") && equals != std::string::npos)
      properties.emplace(line.substr(2, equals - 2), std::string(Trimmed(line.substr(equals + 1))));
  }
  for (const char* key : {"ID_MODEL_FROM_DATABASE", "ID_MODEL"}) {
    if (const auto it = properties.find(key); it != properties.end() && !it->second.empty())
      return it->second;
  }
  return {};
}

std::string DriverName(const fs::path& interfaceDir) {
  std::error_code error;
  const fs::path target = fs::read_symlink(interfaceDir / "device" / "driver", error);
  return error ? std::string() : target.filename().string();
}

}  // namespace

std::vector<std::string> ReadNetworkCards(const fs::path& root) {
  // (index, interface name, description): the name keeps the order stable without an index.
  std::vector<std::tuple<int, std::string, std::string>> cards;
  std::error_code error;
  for (const fs::directory_entry& entry :
       fs::directory_iterator(UnderRoot(root, "sys/class/net"), error)) {
    const fs::path device = entry.path() / "device";
    if (!fs::exists(fs::symlink_status(device, error))) continue;
    const int index = InterfaceIndex(entry.path());
    std::string description = UdevModel(root, index);
    if (description.empty()) description = DriverName(entry.path());
    cards.emplace_back(index, entry.path().filename().string(), std::move(description));
  }
  std::sort(cards.begin(), cards.end());
  std::vector<std::string> descriptions;
  for (auto& card : cards) descriptions.push_back(std::move(std::get<2>(card)));
  return descriptions;
}

}  // namespace kelbrin::platform
