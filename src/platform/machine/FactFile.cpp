#include "platform/machine/FactFile.h"

#include <fstream>

namespace kelbrin::platform {

std::filesystem::path UnderRoot(const std::filesystem::path& root,
                                const std::filesystem::path& relative) {
  return root / relative.relative_path();
}

std::optional<std::string> ReadFactFile(const std::filesystem::path& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text(limit, '\0');
  // /proc and /sys files report no size; read until the end or the limit.
  in.read(text.data(), static_cast<std::streamsize>(limit));
  text.resize(static_cast<std::size_t>(in.gcount()));
  return text;
}

std::string TrimBlanks(const std::string& text) {
  constexpr const char* kBlanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace kelbrin::platform
