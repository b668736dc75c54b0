#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kelbrin::app {

// What the command line asks for. Values are kept as given; the caller applies them.
struct Options {
  bool help = false;
  bool version = false;
  std::optional<std::string> endpoint;
  std::optional<std::string> configRoot;
  std::optional<double> timeScale;
  bool once = false;
  std::optional<std::string> user;
  bool passwordStdin = false;
  bool save = false;
  bool service = false;
  // --state-report FILE: the desktop writes what it shows into FILE (an end-to-end test aid).
  std::optional<std::string> stateReport;
  // --history: print the past public addresses.
  bool history = false;
  // --address-command PROGRAM: store the program run on each new address ("-": none).
  std::optional<std::string> addressCommand;
  // --system-info: print the system information tree.
  bool systemInfo = false;
  // --store-line TYPE with its account: store the network line settings.
  std::optional<std::string> storeLine;
  std::optional<std::string> connection;
  std::optional<std::string> lineUser;
  bool linePasswordStdin = false;
  std::optional<std::string> autoConnect;
  // --status: print the running client's state; --bus system|session: where to look for it, or
  // (with --service) where to publish it.
  bool status = false;
  std::optional<std::string> bus;
  // --json: with --status, the state as one JSON object.
  bool json = false;
  // --health: exit 0 when the running client is online (a container's health check).
  bool health = false;
};

struct ParseResult {
  Options options;
  // Empty when the command line is valid; otherwise one line that says what is wrong.
  std::string error;
};

// Parses the arguments after the program name. Options take their value as the next argument or
// after "=" ("--endpoint URL" or "--endpoint=URL").
ParseResult ParseCommandLine(std::span<const std::string_view> args);

// The usage text printed by --help and after a command-line error.
std::string Usage();

// Exit status of a command-line error (EX_USAGE).
inline constexpr int kExitUsage = 64;

}  // namespace kelbrin::app
