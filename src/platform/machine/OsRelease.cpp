#include "platform/machine/OsRelease.h"

#include <optional>
#include <sstream>

#include "platform/files/TextTrim.h"

namespace kelbrin::platform {
namespace {

// A shell-like value: double quotes with backslash escapes, single quotes taken literally, or a
// bare word.
std::string Unquote(const std::string& raw) {
  if (raw.size() >= 2 && raw.front() == '\'' && raw.back() == '\'')
    return raw.substr(1, raw.size() - 2);
  if (raw.size() < 2 || raw.front() != '"' || raw.back() != '"') return raw;
  std::string value;
  for (std::size_t i = 1; i + 1 < raw.size(); ++i) {
    if (raw[i] == '\\' && i + 2 < raw.size()) ++i;
    value += raw[i];
  }
  return value;
}

}  // namespace

std::map<std::string, std::string> ReadOsRelease(const std::filesystem::path& root) {
  std::optional<std::string> text = ReadFactFile(UnderRoot(root, "etc/os-release"));
  if (!text) text = ReadFactFile(UnderRoot(root, "usr/lib/os-release"));
  std::map<std::string, std::string> values;
  if (!text) return values;
  std::istringstream lines(*text);
  for (std::string line; std::getline(lines, line);) {
    line = std::string(Trimmed(line));
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string::npos || equals == 0) continue;
    values[line.substr(0, equals)] = Unquote(line.substr(equals + 1));
  }
  return values;
}

}  // namespace kelbrin::platform
