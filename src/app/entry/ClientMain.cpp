#include "app/entry/ClientMain.h"

#include <charconv>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <utility>
#include <vector>

#include "app/entry/CommandLine.h"
#include "app/entry/ContainerEnvironment.h"
#include "app/entry/EnvironmentAccount.h"
#include "app/entry/LocaleText.h"
#include "app/commands/OnceCommand.h"
#include "app/entry/PasswordInput.h"
#include "app/commands/StandaloneCommands.h"
#include "app/entry/Startup.h"
#include "app/entry/StartupSwitches.h"
#include "app/commands/StatusCommand.h"
#include "platform/files/Autostart.h"
#include "platform/process/NonDumpable.h"
#include "protocol/HttpTransport.h"
#include "protocol/PelmarClient.h"
#include "runtime/Pace.h"
#include "runtime/Translate.h"
#include "session/StringTable.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {

namespace {

constexpr std::string_view kProgram = "kelbrin-client";

int UsageError(const std::string& message, std::ostream& err) {
  err << kProgram << ": " << runtime::Translate(message) << '\n' << Usage();
  return kExitUsage;
}

std::string EndpointOf(const Options& options) {
  return options.endpoint ? *options.endpoint
                          : session::LoadTableString(session::kServiceEndpointEntry);
}

// What a desktop started with the session keeps of this start: the same settings folder (made
// absolute, the session starts elsewhere), service and pace.
std::vector<std::string> AutostartArguments(const Options& options) {
  std::vector<std::string> arguments;
  if (options.configRoot) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(*options.configRoot, error);
    arguments.insert(arguments.end(),
                     {"--config-root", error ? *options.configRoot : absolute.string()});
  }
  if (options.endpoint) arguments.insert(arguments.end(), {"--endpoint", *options.endpoint});
  if (options.timeScale) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, *options.timeScale);
    arguments.insert(arguments.end(), {"--time-scale", std::string(text, end)});
  }
  return arguments;
}

}  // namespace

int RunClient(std::span<const std::string_view> args, std::istream& in, int inFd, std::ostream& out,
              std::ostream& err) {
  // The service switches ("-install", "/UNINSTALL", "\\silent") are not options of the parser.
  const StartupArguments startup = SplitStartupArguments(args);
  const ParseResult parsed = ParseCommandLine(startup.options);
  if (!parsed.error.empty()) return UsageError(parsed.error, err);
  if (parsed.options.help) {
    out << Usage();
    return 0;
  }
  if (parsed.options.version) {
    out << kProgram << " 6.0\n";
    return 0;
  }
  // A container is configured by its environment; the command line wins where it says more.
  const ContainerEnvironment environment =
      ReadContainerEnvironment(std::getenv, parsed.options.service);
  if (!environment.error.empty()) {
    err << kProgram << ": " << environment.error << '\n';
    return kExitUsage;
  }
  Options options = parsed.options;
  ApplyContainerEnvironment(environment, options);
  if (options.configRoot) settings::SetConfigRoot(*options.configRoot);
  if (options.history) return PrintHistory(out, err);
  if (options.addressCommand) return StoreAddressCommand(*options.addressCommand, out, err);
  if (options.systemInfo) return PrintSystemInformation(out, err);
  if (options.status) return PrintStatus(options.bus, options.json, out, err);
  if (options.health) return CheckHealth(options.bus, out, err);
  if (options.storeLine) return StoreLine(options, in, inFd, out, err);
  const runtime::Pace pace = runtime::Pace{}.Scaled(options.timeScale.value_or(1.0));

  if (options.service && environment.user) {
    if (const int status = UseEnvironmentAccount(*environment.user, *environment.passwordFile, err);
        status != 0) {
      return status;
    }
  }
  if (!options.once) {
    std::optional<std::filesystem::path> stateReport;
    if (options.stateReport) stateReport = *options.stateReport;
    platform::SetAutostartArguments(AutostartArguments(options));
    try {
      return RunStartup(StartRequest{startup.switches, options, options.service, pace,
                                     EndpointOf(options), stateReport},
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
    if (!line.error.empty()) return UsageError("--password-stdin: " + line.error, err);
    request.password = std::move(line.password);
  }
  for (const std::string& error :
       {FromLocale(request.user, "--user"), FromLocale(request.password, "--password-stdin")}) {
    if (!error.empty()) return UsageError(error, err);
  }
  try {
    protocol::HttpTransport transport;
    protocol::PelmarClient client(transport);
    client.SetEndpoint(EndpointOf(options));
    client.SetTimeouts(pace);
    return RunOnce(request, client, out, err);
  } catch (const std::exception& error) {
    err << kProgram << ": " << error.what() << '\n';
    return kExitRefused;
  }
}

}  // namespace kelbrin::app
