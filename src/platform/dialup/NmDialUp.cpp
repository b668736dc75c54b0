#include "platform/dialup/NmDialUp.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "platform/dialup/NmDial.h"
#include "platform/dialup/NmDialErrors.h"
#include "platform/dialup/PppdErrors.h"
#include "platform/files/PrivateFile.h"
#include "platform/net/LinkInterface.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kActivePathPrefix = "/org/freedesktop/NetworkManager/ActiveConnection/";
// nmcli reads a passwd-file of up to a MiB; a line's password is far shorter.
constexpr std::size_t kMaxPassword = 1024;
constexpr int kNotRunning = 8;
constexpr int kNoSuchConnection = 10;
constexpr int kDeactivationFailed = 5;
constexpr auto kHangUpPoll = 100ms;

// A secret as nmcli's passwd-file reads it: backslash escapes, and unescaped blanks at either
// end stripped. So a backslash is doubled and a blank at either end written as an octal escape.
std::string PasswdFileValue(const std::string& secret) {
  const auto first = secret.find_first_not_of(' ');
  const auto last = secret.find_last_not_of(' ');
  std::string value;
  for (std::size_t i = 0; i < secret.size(); ++i) {
    const char c = secret[i];
    if (c == '\\') {
      value += "\\\\";
    } else if (c == ' ' && (first == std::string::npos || i < first || i > last)) {
      value += "\\040";
    } else {
      value += c;
    }
  }
  return value;
}

}  // namespace

NmDialUp::NmDialUp(NmDialUpSetup setup, NetworkManager networkManager)
    : setup_(std::move(setup)), networkManager_(networkManager) {}

int NmDialUp::IdOfPath(const std::string& activePath) {
  if (!activePath.starts_with(kActivePathPrefix)) return 0;
  const std::string number = activePath.substr(kActivePathPrefix.size());
  if (number.empty() || number.size() > 9 ||
      !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return 0;
  }
  return std::atoi(number.c_str());
}

int NmDialUp::Entries(std::vector<std::string>& names) const {
  names.clear();
  const auto connections = networkManager_.Connections();
  if (!connections) return NmcliExitCode(kNotRunning);
  for (const auto& connection : *connections) {
    if (NetworkManager::DialUpType(connection.type)) names.push_back(connection.name);
  }
  return 0;
}

bool NmDialUp::HasEntry(const std::string& entry) const {
  std::vector<std::string> names;
  return Entries(names) == 0 && std::find(names.begin(), names.end(), entry) != names.end();
}

std::unique_ptr<DialAttempt> NmDialUp::StartDial(const std::string& entry, const std::string& user,
                                                 const std::string& password, int& error) const {
  error = 0;
  const auto connections = networkManager_.Connections();
  if (!connections) {
    error = NmcliExitCode(kNotRunning);
    return nullptr;
  }
  const auto profile =
      std::find_if(connections->begin(), connections->end(), [&entry](const auto& connection) {
        return connection.name == entry && NetworkManager::DialUpType(connection.type);
      });
  if (profile == connections->end()) {
    error = NmcliExitCode(kNoSuchConnection);
    return nullptr;
  }
  if (!SecretFitsOneLine(password, kMaxPassword)) {
    error = kPasswordUnusable;
    return nullptr;
  }
  // nmcli cannot set the user name for one activation; changing the stored profile is not the
  // dialer's business. The profile's own is used, and a different one of the line is told.
  int notice = 0;
  if (!user.empty()) {
    const auto profileUser = networkManager_.ProfileSetting(entry, profile->type + ".username");
    if (profileUser && *profileUser != user) notice = kNmProfileUserName;
  }
  const std::filesystem::path passwdFile =
      WritePrivateFile(setup_.privateDir, "nm-dial",
                       profile->type + ".password:" + PasswdFileValue(password) + "\n");
  if (passwdFile.empty()) {
    error = kPrivateDirUnusable;
    return nullptr;
  }
  int output[2] = {-1, -1};
  if (::pipe2(output, O_CLOEXEC) != 0) {
    std::filesystem::remove(passwdFile);
    error = kNmcliNotStartable;
    return nullptr;
  }
  ChildOptions options;
  options.passFds = {{STDOUT_FILENO, output[1]}, {STDERR_FILENO, output[1]}};
  std::optional<ChildProcess> child = ChildProcess::Start(
      NetworkManager::Command({"--wait", std::to_string(setup_.dialWait.count()), "connection",
                               "up", "id", entry, "passwd-file", passwdFile.string()}),
      options);
  ::close(output[1]);
  if (!child) {
    ::close(output[0]);
    std::error_code ignored;
    std::filesystem::remove(passwdFile, ignored);
    error = kNmcliNotStartable;
    return nullptr;
  }
  return std::make_unique<NmDial>(*this, entry, std::move(*child), output[0], passwdFile, notice);
}

std::optional<DialLink> NmDialUp::LinkOf(const NetworkManager::Connection& connection) const {
  const int id = IdOfPath(connection.activePath);
  if (id == 0) return std::nullopt;
  const auto activation = networkManager_.ActiveConnection(connection.activePath);
  if (!activation) return std::nullopt;  // gone since the listing
  DialLink link{connection.name, {this, id}, "", false};
  if (InterfaceName(activation->ipInterface)) link.interface = activation->ipInterface;
  link.connected = activation->state == "activated" && !link.interface.empty() &&
                   InterfaceCarries(link.interface);
  return link;
}

std::vector<DialLink> NmDialUp::Links() const {
  std::vector<DialLink> links;
  const auto connections = networkManager_.Connections();
  if (!connections) return links;
  for (const auto& connection : *connections) {
    if (!NetworkManager::DialUpType(connection.type) || connection.activePath.empty()) continue;
    if (auto link = LinkOf(connection)) links.push_back(std::move(*link));
  }
  return links;
}

std::optional<NetworkManager::Connection> NmDialUp::ActiveProfile(int id) const {
  if (id <= 0) return std::nullopt;
  const auto connections = networkManager_.Connections();
  if (!connections) return std::nullopt;
  for (const auto& connection : *connections) {
    if (NetworkManager::DialUpType(connection.type) && IdOfPath(connection.activePath) == id) {
      return connection;
    }
  }
  return std::nullopt;
}

std::optional<DialLink> NmDialUp::LinkOfId(int id) const {
  const auto connection = ActiveProfile(id);
  return connection ? LinkOf(*connection) : std::nullopt;
}

std::optional<DialLink> NmDialUp::LinkOfEntry(const std::string& entry) const {
  const auto connections = networkManager_.Connections();
  if (!connections) return std::nullopt;
  for (const auto& connection : *connections) {
    if (connection.name == entry && NetworkManager::DialUpType(connection.type) &&
        !connection.activePath.empty()) {
      return LinkOf(connection);
    }
  }
  return std::nullopt;
}

int NmDialUp::HangUp(int id) const {
  const auto connection = ActiveProfile(id);
  if (!connection) return kNoSuchLink;
  networkManager_.Deactivate(connection->activePath, setup_.hangUpBound);
  // nmcli may return before NetworkManager has finished; the hang-up ends when it has.
  const auto deadline = std::chrono::steady_clock::now() + setup_.hangUpBound;
  while (ActiveProfile(id)) {
    if (std::chrono::steady_clock::now() >= deadline) return NmcliExitCode(kDeactivationFailed);
    std::this_thread::sleep_for(kHangUpPoll);
  }
  return 0;
}

}  // namespace kelbrin::platform
