#include "app/bus/StatusFile.h"

#include <charconv>
#include <sstream>
#include <system_error>

#include "eventlog/LineText.h"
#include "platform/files/AtomicFile.h"
#include "platform/files/RuntimeFolder.h"

namespace kelbrin::app {

namespace {

constexpr char kFileName[] = "status";

template <typename Number>
std::optional<Number> NumberOf(const std::string& text) {
  Number number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

}  // namespace

std::optional<std::filesystem::path> StatusFilePath() {
  const auto folder = platform::ProgramRuntimeFolder();
  if (!folder) return std::nullopt;
  return *folder / kFileName;
}

std::string StatusFileText(const platform::BusProperties& properties) {
  std::string text;
  for (const auto& [name, value] : properties) {
    text += name + '=' + platform::BusTypeOf(value) + ':';
    std::visit(
        [&text](const auto& held) {
          using Held = std::decay_t<decltype(held)>;
          if constexpr (std::is_same_v<Held, std::string>) {
            text += eventlog::EscapeControls(held);
          } else if constexpr (std::is_same_v<Held, bool>) {
            text += held ? "true" : "false";
          } else {
            text += std::to_string(held);
          }
        },
        value);
    text += '\n';
  }
  return text;
}

platform::BusProperties ParseStatusFile(const std::string& text) {
  platform::BusProperties properties;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0 || line.size() < equals + 3 ||
        line[equals + 2] != ':') {
      continue;
    }
    const std::string name = line.substr(0, equals);
    const std::string value = line.substr(equals + 3);
    switch (line[equals + 1]) {
      case 's':
        properties[name] = value;
        break;
      case 'b':
        if (value == "true" || value == "false") properties[name] = value == "true";
        break;
      case 'u':
        if (const auto number = NumberOf<std::uint32_t>(value)) properties[name] = *number;
        break;
      case 't':
        if (const auto number = NumberOf<std::uint64_t>(value)) properties[name] = *number;
        break;
      default:
        break;
    }
  }
  return properties;
}

StatusFileWriter::StatusFileWriter() : path_(StatusFilePath()) {
  if (!path_) return;
  try {
    // The folder is the service's private runtime folder (the dial keeps its password files
    // there too), so readers are the service's own account and root.
    platform::CreateFolder(path_->parent_path(), 0700);
  } catch (const std::system_error&) {
    path_.reset();
  }
}

StatusFileWriter::~StatusFileWriter() {
  if (!path_ || written_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(*path_, ignored);
}

void StatusFileWriter::Update(const platform::BusProperties& properties) {
  if (!path_) return;
  std::string text = StatusFileText(properties);
  if (text == written_) return;
  try {
    platform::WriteFileAtomically(*path_, text, 0644);
    written_ = std::move(text);
  } catch (const std::system_error&) {
    // A full or read-only folder: the bus and the journal still tell the state.
  }
}

}  // namespace kelbrin::app
