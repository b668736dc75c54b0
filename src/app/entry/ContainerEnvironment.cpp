#include "app/entry/ContainerEnvironment.h"

#include <string_view>
#include <vector>

#include "app/entry/CommandLine.h"
#include "runtime/Translate.h"

namespace kelbrin::app {
namespace {

// The value of `variable` checked as the command line `context` + {option, value} is: the same
// rules and the same messages, prefixed with the variable's name.
std::string CheckAsOption(const char* variable, const std::string& value,
                          std::vector<std::string_view> arguments) {
  arguments.push_back(value);
  const ParseResult parsed = ParseCommandLine(arguments);
  if (parsed.error.empty()) return {};
  return std::string(variable) + ": " + runtime::Translate(parsed.error);
}

}  // namespace

ContainerEnvironment ReadContainerEnvironment(const EnvironmentLookup& lookup, bool account) {
  ContainerEnvironment environment;
  const auto read = [&lookup](const char* variable) -> std::optional<std::string> {
    const char* value = lookup(variable);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
  struct Checked {
    const char* variable;
    std::optional<std::string> ContainerEnvironment::*target;
    std::vector<std::string_view> option;
  };
  std::vector<Checked> checked{
      {"KELBRIN_CONFIG_ROOT", &ContainerEnvironment::configRoot, {"--config-root"}},
      {"KELBRIN_ENDPOINT", &ContainerEnvironment::endpoint, {"--endpoint"}}};
  if (account) {
    // A password in the environment is readable wherever the environment is: refused outright.
    if (read("KELBRIN_PASSWORD")) {
      environment.error = runtime::Translate(
          "KELBRIN_PASSWORD is refused: a password in the environment is seen by every process "
          "that may read it; put it in a file (a container secret) and name that file with "
          "KELBRIN_PASSWORD_FILE (default %1)",
          {kPasswordFileDefault});
      return environment;
    }
    checked.push_back({"KELBRIN_USER", &ContainerEnvironment::user, {"--once", "--user"}});
  }
  for (const Checked& entry : checked) {
    std::optional<std::string> value = read(entry.variable);
    if (!value) continue;
    environment.error = CheckAsOption(entry.variable, *value, entry.option);
    if (!environment.error.empty()) return environment;
    environment.*entry.target = std::move(value);
  }
  if (!account) return environment;
  const std::optional<std::string> passwordFile = read("KELBRIN_PASSWORD_FILE");
  if (passwordFile && !environment.user) {
    environment.error =
        runtime::Translate("KELBRIN_PASSWORD_FILE needs KELBRIN_USER (the account it belongs to)");
  } else if (passwordFile && passwordFile->empty()) {
    environment.error = runtime::Translate("%1 needs a value", {"KELBRIN_PASSWORD_FILE"});
  } else if (environment.user) {
    environment.passwordFile = passwordFile.value_or(kPasswordFileDefault);
  }
  return environment;
}

void ApplyContainerEnvironment(const ContainerEnvironment& environment, Options& options) {
  if (!options.configRoot) options.configRoot = environment.configRoot;
  if (!options.endpoint) options.endpoint = environment.endpoint;
}

}  // namespace kelbrin::app
