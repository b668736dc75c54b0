#include "platform/dialup/PppdPeer.h"

#include <cctype>

#include "platform/machine/FactFile.h"

namespace kelbrin::platform {
namespace {

namespace fs = std::filesystem;

// A peer file is a few lines; an argv of pppd a few hundred bytes.
constexpr std::size_t kPeerFileLimit = 64 * 1024;
constexpr std::size_t kCommandLineLimit = 64 * 1024;

// The words of a pppd options file: blanks separate, "..." quotes, a backslash escapes the next
// character, '#' starts a comment that runs to the end of the line.
std::vector<std::string> OptionWords(const std::string& text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    if (c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    std::string word;
    bool quoted = false;
    for (; i < text.size(); ++i) {
      const char d = text[i];
      if (d == '"') {
        quoted = !quoted;
      } else if (d == '\\' && i + 1 < text.size()) {
        word.push_back(text[++i]);
      } else if (!quoted && std::isspace(static_cast<unsigned char>(d))) {
        break;
      } else {
        word.push_back(d);
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

}  // namespace

PeerLinkNames ReadPeerLinkNames(const fs::path& peerFile) {
  PeerLinkNames names;
  const auto text = ReadFactFile(peerFile, kPeerFileLimit);
  if (!text) return names;
  const std::vector<std::string> words = OptionWords(*text);
  for (std::size_t i = 0; i + 1 < words.size(); ++i) {
    if (words[i] == "linkname") names.linkname = words[i + 1];
    if (words[i] == "ifname") names.ifname = words[i + 1];
  }
  return names;
}

bool RunsProgram(const std::vector<std::string>& argv, const std::string& program) {
  return !argv.empty() && fs::path(argv.front()).filename() == fs::path(program).filename();
}

std::optional<std::string> PeerOfCommandLine(const std::vector<std::string>& argv,
                                             const std::string& program, const fs::path& peersDir) {
  if (!RunsProgram(argv, program)) return std::nullopt;
  std::optional<std::string> peer;
  for (std::size_t i = 1; i + 1 < argv.size(); ++i) {
    const std::string& option = argv[i];
    const std::string& value = argv[i + 1];
    if (option == "call" && !value.empty() && value.find('/') == std::string::npos) {
      peer = value;
      ++i;
    } else if (option == "file") {
      const fs::path file = fs::path(value).lexically_normal();
      if (file.has_filename() && file == (peersDir / file.filename()).lexically_normal()) {
        peer = file.filename().string();
      }
      ++i;
    }
  }
  return peer;
}

std::vector<std::string> ProcessCommandLine(pid_t pid) {
  std::vector<std::string> argv;
  if (pid <= 0) return argv;
  const auto text = ReadFactFile("/proc/" + std::to_string(pid) + "/cmdline", kCommandLineLimit);
  if (!text) return argv;
  std::size_t start = 0;
  while (start < text->size()) {
    const std::size_t end = text->find('\0', start);
    argv.push_back(text->substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return argv;
}

}  // namespace kelbrin::platform
