#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelbrin::eventlog {

// One public address the client was given, and when (UTC, whole seconds).
struct AddressRecord {
  std::chrono::system_clock::time_point time;
  std::string address;

  bool operator==(const AddressRecord&) const = default;
};

// The record of past public addresses: a text file of "time address" lines, oldest first, the
// time in ISO 8601 UTC ("2026-12-10T13:42:40Z"). It keeps only the newest `limit` lines; trimming
// rewrites the file atomically. Only an IPv4 or IPv6 address literal is ever written, so no
// password, user name or other text can find its way into the file.
class AddressHistory {
 public:
  static constexpr std::size_t kDefaultLimit = 1000;
  static constexpr const char* kFileName = "address-history";

  // Reads an environment variable; empty when unset.
  using Environment = std::function<std::optional<std::string>(const std::string&)>;
  // The process's environment.
  static std::optional<std::string> ProcessEnvironment(const std::string& name);

  // Where the history lives: the service's STATE_DIRECTORY (its first entry) when systemd gives
  // one, else $XDG_STATE_HOME/kelbrin-client, else $HOME/.local/state/kelbrin-client. Relative
  // paths in these variables are ignored, as the base-directory rules say. Empty when no
  // absolute folder can be found.
  static std::filesystem::path DefaultFolder(const Environment& environment = ProcessEnvironment);

  // `limit` at least 1.
  explicit AddressHistory(std::filesystem::path file, std::size_t limit = kDefaultLimit);

  const std::filesystem::path& File() const { return file_; }

  // Appends `address` at `time`, creating the folder (0700) and the file (0600) when needed, and
  // trims the file to the newest `limit` lines. Returns false without touching the file when
  // `address` is not an address literal; throws std::system_error when the file cannot be
  // written.
  bool Append(std::chrono::system_clock::time_point time, const std::string& address);

  // The records, oldest first; lines that are not a valid record (a write cut short by a crash,
  // a hand edit) are skipped. A missing file is an empty history; an unreadable one throws
  // std::system_error.
  std::vector<AddressRecord> Read() const;

  // "2026-12-10T13:42:40Z 203.0.113.7": one line of the file, without its line end.
  static std::string FormatLine(const AddressRecord& record);
  static std::optional<AddressRecord> ParseLine(const std::string& line);
  static bool IsAddressLiteral(const std::string& text);

 private:
  std::filesystem::path file_;
  std::size_t limit_;
};

}  // namespace kelbrin::eventlog
