#include "app/ClientMain.h"

#include <exception>
#include <utility>

#include "app/CommandLine.h"
#include "app/OnceCommand.h"
#include "app/PasswordInput.h"
#include "app/Startup.h"
#include "app/StartupSwitches.h"
#include "platform/NonDumpable.h"
#include "protocol/Transport.h"
#include "runtime/Pace.h"
#include "session/StringTable.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {

namespace {

constexpr std::string_view kProgram = "kelbrin-client";

int usageError(const std::string& message, std::ostream& err) {
  err << kProgram << ": " << message << '\n' << Usage();
  return kExitUsage;
}

void applySettings(const Options& options) {
  if (options.configRoot) settings::SetConfigRoot(*options.configRoot);
  protocol::SetServerUrl(options.endpoint
                             ? *options.endpoint
                             : session::LoadTableString(session::kServiceEndpointEntry));
  protocol::SetTransportPace(runtime::Pace{}.scaled(options.timeScale.value_or(1.0)));
}

}  // namespace

int RunClient(std::span<const std::string_view> args, std::istream& in, int inFd, std::ostream& out,
              std::ostream& err) {
  // The service switches ("-install", "/UNINSTALL", "\\silent") are not options of the parser.
  const StartupArguments startup = SplitStartupArguments(args);
  const ParseResult parsed = ParseCommandLine(startup.options);
  if (!parsed.error.empty()) return usageError(parsed.error, err);
  const Options& options = parsed.options;
  if (options.help) {
    out << Usage();
    return 0;
  }
  if (options.version) {
    out << kProgram << " 6.0\n";
    return 0;
  }
  applySettings(options);

  if (!options.once) {
    const runtime::Pace pace = runtime::Pace{}.scaled(options.timeScale.value_or(1.0));
    std::optional<std::filesystem::path> stateReport;
    if (options.stateReport) stateReport = *options.stateReport;
    try {
      return RunStartup(StartRequest{startup.switches, options, options.service, pace,
                                     protocol::ServerUrl(), stateReport},
                        out, err);
    } catch (const std::exception& error) {
      err << kProgram << ": " << error.what() << '\n';
      return 1;
    }
  }
  try {
    platform::MakeNotDumpable();  // the password is about to be read
  } catch (const std::exception& error) {
    err << kProgram << ": " << error.what() << '\n';
    return 1;
  }
  OnceRequest request{options.user, std::nullopt, options.save};
  if (options.passwordStdin) {
    PasswordLine line = ReadPasswordLine(in, inFd);
    if (!line.error.empty()) return usageError("--password-stdin: " + line.error, err);
    request.password = std::move(line.password);
  }
  try {
    return RunOnce(request, out, err);
  } catch (const std::exception& error) {
    err << kProgram << ": " << error.what() << '\n';
    return kExitRefused;
  }
}

}  // namespace kelbrin::app
