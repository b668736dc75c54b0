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

}  // namespace kelbrin::platform
