// pelmar-reference-service: a small Pelmar service on 127.0.0.1 for the demo and the tests.
// Usage and the control interface: README.md beside this file.

#include <signal.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "AccountBook.h"
#include "ReferenceServer.h"

namespace {

using kelbrin::reference_service::AccountBook;
using kelbrin::reference_service::ReferenceServer;

constexpr const char* kUsage =
    "usage: pelmar-reference-service [--port N] [--data FILE] [--log FILE] [--stop-on-eof]\n"
    "  --port N       listen on 127.0.0.1:N (default 0: a free port)\n"
    "  --data FILE    the accounts (default: accounts.xml beside the executable)\n"
    "  --log FILE     append one line per request to FILE (default: standard error)\n"
    "  --stop-on-eof  end when standard input is closed (so a parent that dies takes us along)\n";

struct Options {
  int port = 0;
  std::filesystem::path data;
  std::optional<std::filesystem::path> log;
  bool stopOnEof = false;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  options.data = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "accounts.xml";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--port" && hasValue) {
      const std::string_view value = argv[++i];
      auto [stop, error] = std::from_chars(value.data(), value.data() + value.size(), options.port);
      if (error != std::errc() || stop != value.data() + value.size() || options.port < 0 ||
          options.port > 65535) {
        return std::nullopt;
      }
    } else if (arg == "--data" && hasValue) {
      options.data = argv[++i];
    } else if (arg == "--log" && hasValue) {
      options.log = argv[++i];
    } else if (arg == "--stop-on-eof") {
      options.stopOnEof = true;
    } else {
      return std::nullopt;
    }
  }
  return options;
}

// Ends the process once standard input reaches its end; the log is flushed line by line, so
// nothing is lost by ending at once.
void StopOnEndOfInput() {
  std::thread([] {
    char buffer[256];
    while (read(STDIN_FILENO, buffer, sizeof buffer) > 0) {
    }
    _exit(0);
  }).detach();
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<Options> options = ParseOptions(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  // A client that hangs up early must not end the service with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);

  std::optional<AccountBook> accounts;
  try {
    accounts = AccountBook::Load(options->data, kelbrin::reference_service::LocalToday());
  } catch (const std::exception& error) {
    std::cerr << "pelmar-reference-service: " << error.what() << '\n';
    return 1;
  }

  std::ofstream logFile;
  if (options->log) {
    logFile.open(*options->log, std::ios::app);
    if (!logFile) {
      std::cerr << "pelmar-reference-service: cannot open " << *options->log << '\n';
      return 1;
    }
  }
  ReferenceServer server(*accounts, options->log ? logFile : std::cerr);
  const int port = server.Bind(options->port);
  if (port < 0) {
    std::cerr << "pelmar-reference-service: cannot listen on 127.0.0.1:" << options->port << '\n';
    return 1;
  }
  std::cout << "listening on " << ReferenceServer::kHost << ':' << port << std::endl;
  if (options->stopOnEof) StopOnEndOfInput();
  return server.Serve() ? 0 : 1;
}
