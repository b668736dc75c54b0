#include "eventlog/AddressHistory.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/files/AtomicFile.h"

namespace kelbrin::eventlog {
namespace {

constexpr const char* kProgramFolder = "kelbrin-client";

std::optional<std::filesystem::path> AbsoluteFolder(const std::optional<std::string>& value) {
  if (!value || value->empty() || value->front() != '/') return std::nullopt;
  return std::filesystem::path(*value);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(std::move(line));
  return lines;
}

// The whole file, or "" when there is none.
std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    const int error = errno;
    std::error_code status;
    if (!std::filesystem::exists(file, status) && !status) return {};
    throw std::system_error(error ? error : EIO, std::generic_category(),
                            "cannot read " + file.string());
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void AppendText(const std::filesystem::path& file, const std::string& text) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0)
    throw std::system_error(errno, std::generic_category(), "cannot open " + file.string());
  std::string_view rest = text;
  while (!rest.empty()) {
    const ssize_t written = ::write(fd, rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) {
      const int error = errno;
      ::close(fd);
      throw std::system_error(error, std::generic_category(), "cannot write " + file.string());
    }
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
  if (::close(fd) != 0) {
    throw std::system_error(errno, std::generic_category(), "cannot write " + file.string());
  }
}

}  // namespace

std::optional<std::string> AddressHistory::ProcessEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

std::filesystem::path AddressHistory::DefaultFolder(const Environment& environment) {
  // systemd passes a colon-separated list when the unit names several state folders.
  if (std::optional<std::string> state = environment("STATE_DIRECTORY")) {
    if (auto folder = AbsoluteFolder(state->substr(0, state->find(':')))) return *folder;
  }
  if (auto folder = AbsoluteFolder(environment("XDG_STATE_HOME"))) return *folder / kProgramFolder;
  if (auto home = AbsoluteFolder(environment("HOME"))) {
    return *home / ".local" / "state" / kProgramFolder;
  }
  return {};
}

AddressHistory::AddressHistory(std::filesystem::path file, std::size_t limit)
    : file_(std::move(file)), limit_(limit == 0 ? 1 : limit) {}

bool AddressHistory::IsAddressLiteral(const std::string& text) {
  unsigned char buffer[sizeof(in6_addr)];
  return ::inet_pton(AF_INET, text.c_str(), buffer) == 1 ||
         ::inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

std::string AddressHistory::FormatLine(const AddressRecord& record) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(record.time);
  std::tm utc{};
  ::gmtime_r(&seconds, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return std::string(stamp) + ' ' + record.address;
}

std::optional<AddressRecord> AddressHistory::ParseLine(const std::string& line) {
  std::tm utc{};
  char zone = 0;
  int consumed = 0;
  if (std::sscanf(line.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c %n", &utc.tm_year, &utc.tm_mon,
                  &utc.tm_mday, &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &zone, &consumed) != 7 ||
      zone != 'Z' || consumed != 21 || line[20] != ' ') {
    return std::nullopt;
  }
  const std::string address = line.substr(21);
  if (!IsAddressLiteral(address)) return std::nullopt;
  utc.tm_year -= 1900;
  utc.tm_mon -= 1;
  AddressRecord record{std::chrono::system_clock::from_time_t(::timegm(&utc)), address};
  // Reject impossible dates that timegm would quietly roll over (Feb 30, hour 25).
  if (FormatLine(record) != line) return std::nullopt;
  return record;
}

bool AddressHistory::Append(std::chrono::system_clock::time_point time,
                            const std::string& address) {
  if (!IsAddressLiteral(address)) return false;
  const std::string line =
      FormatLine({std::chrono::floor<std::chrono::seconds>(time), address}) + '\n';
  platform::CreateFolder(file_.parent_path(), 0700);
  const std::string text = ReadText(file_);
  const std::vector<std::string> lines = SplitLines(text);
  if (lines.size() < limit_) {
    // A line cut short by a crash must not swallow the new one.
    const bool torn = !text.empty() && text.back() != '\n';
    AppendText(file_, torn ? '\n' + line : line);
    return true;
  }
  std::string kept;
  for (std::size_t i = lines.size() - (limit_ - 1); i < lines.size(); ++i) {
    if (ParseLine(lines[i])) kept += lines[i] + '\n';
  }
  platform::WriteFileAtomically(file_, kept + line, 0600);
  return true;
}

std::vector<AddressRecord> AddressHistory::Read() const {
  std::vector<AddressRecord> records;
  for (const std::string& line : SplitLines(ReadText(file_))) {
    if (auto record = ParseLine(line)) records.push_back(std::move(*record));
  }
  return records;
}

}  // namespace kelbrin::eventlog
