#include "platform/files/Autostart.h"

#include <mutex>
#include <string_view>
#include <system_error>

#include "platform/files/AtomicFile.h"
#include "platform/files/ConfigHome.h"

namespace kelbrin::platform {
namespace {

constexpr char kEntryName[] = "KelbrinClient.desktop";

std::mutex folderLock;
std::filesystem::path folderOverride;
std::vector<std::string> startArguments;  // under folderLock

// Characters that make an Exec argument need quotes, and those escaped inside the quotes.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

std::string QuoteArgument(const std::string& argument) {
  if (argument.find_first_of(kReserved) == std::string::npos) return argument;
  std::string quoted = "\"";
  for (const char c : argument) {
    if (kEscapedInQuotes.find(c) != std::string_view::npos) quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// The escapes of every string value of a desktop entry, applied after the quoting.
std::string EscapeStringValue(const std::string& value) {
  std::string escaped;
  for (const char c : value) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string DoublePercent(const std::string& text) {
  std::string doubled;
  for (const char c : text) {
    doubled += c;
    if (c == '%') doubled += '%';
  }
  return doubled;
}

std::vector<std::string> StartArguments() {
  std::lock_guard lock(folderLock);
  return startArguments;
}

// Named and iconed like the application's own entry, so the session's list of autostarted
// programs shows it as such.
std::string EntryText(const std::filesystem::path& executable) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Kelbrin Client\n"
         "Icon=net.kelbrin.KelbrinClient\n"
         "Exec=" +
         DesktopExecValue(executable, StartArguments()) +
         "\n"
         "Terminal=false\n";
}

}  // namespace

std::filesystem::path AutostartFolder() {
  {
    std::lock_guard lock(folderLock);
    if (!folderOverride.empty()) return folderOverride;
  }
  if (RunsAsRoot()) return "/etc/xdg/autostart";
  return UserConfigHome() / "autostart";
}

void SetAutostartFolder(std::filesystem::path folder) {
  std::lock_guard lock(folderLock);
  folderOverride = std::move(folder);
}

std::filesystem::path AutostartEntryPath() { return AutostartFolder() / kEntryName; }

std::filesystem::path ExecutableFromLink(const std::string& linkTarget) {
  constexpr std::string_view kDeleted = " (deleted)";
  if (!linkTarget.ends_with(kDeleted)) return linkTarget;
  const std::filesystem::path replaced = linkTarget.substr(0, linkTarget.size() - kDeleted.size());
  std::error_code error;
  return std::filesystem::is_regular_file(replaced, error) ? replaced
                                                           : std::filesystem::path(linkTarget);
}

std::filesystem::path RunningExecutable() {
  std::error_code error;
  return ExecutableFromLink(std::filesystem::read_symlink("/proc/self/exe", error).string());
}

void SetAutostartArguments(std::vector<std::string> arguments) {
  std::lock_guard lock(folderLock);
  startArguments = std::move(arguments);
}

std::string DesktopExecValue(const std::filesystem::path& executable,
                             const std::vector<std::string>& arguments) {
  std::string command = QuoteArgument(executable.string());
  for (const std::string& argument : arguments) command += " " + QuoteArgument(argument);
  return EscapeStringValue(DoublePercent(command));
}

bool SetAutorun(bool enabled) {
  const std::filesystem::path entry = AutostartEntryPath();
  try {
    if (!enabled) {
      std::error_code error;
      std::filesystem::remove(entry, error);
      return !error;
    }
    const std::filesystem::path executable = RunningExecutable();
    if (executable.empty()) return false;
    CreateFolder(entry.parent_path(), 0755);
    WriteFileAtomically(entry, EntryText(executable), 0644);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace kelbrin::platform
