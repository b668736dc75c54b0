#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/entry/CommandLine.h"

namespace kelbrin::app {

// The environment variables a container is configured with, each standing for a command-line
// option and checked as that option is.
inline constexpr const char* kPasswordFileDefault = "/run/secrets/kelbrin-password";

struct ContainerEnvironment {
  std::optional<std::string> configRoot;  // KELBRIN_CONFIG_ROOT, as --config-root
  std::optional<std::string> endpoint;    // KELBRIN_ENDPOINT, as --endpoint
  // KELBRIN_USER, as --user; the service logs in as this account instead of the saved one.
  std::optional<std::string> user;
  // KELBRIN_PASSWORD_FILE: the user's password, the first line of this file (a container
  // secret); kPasswordFileDefault when only KELBRIN_USER is set.
  std::optional<std::filesystem::path> passwordFile;
  // Empty when the values are usable; otherwise one line that names the variable and says what
  // is wrong with it.
  std::string error;
};

using EnvironmentLookup = std::function<const char*(const char*)>;

// Reads the variables through `lookup` (std::getenv in the program); the account's
// (KELBRIN_USER, KELBRIN_PASSWORD_FILE) only with `account` (the service reads them). A password
// in a plain variable (KELBRIN_PASSWORD) is refused then: every process that may read this
// one's environment, and every child it starts, would see it.
ContainerEnvironment ReadContainerEnvironment(const EnvironmentLookup& lookup, bool account);

// The settings folder and the endpoint of the environment, where the command line gives none.
void ApplyContainerEnvironment(const ContainerEnvironment& environment, Options& options);

}  // namespace kelbrin::app
