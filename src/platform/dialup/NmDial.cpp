#include "platform/dialup/NmDial.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <system_error>

#include "platform/dialup/NmDialErrors.h"
#include "platform/dialup/NmDialUp.h"
#include "platform/dialup/PppdErrors.h"
#include "platform/dialup/PppdLog.h"

namespace kelbrin::platform {
namespace {

using namespace std::chrono_literals;

// nmcli says little; more than this is not kept.
constexpr std::size_t kMaxOutput = 16 * 1024;
// How long nmcli may run past its own --wait before it is killed.
constexpr auto kBoundGrace = 5s;
// nmcli's exit statuses after which NetworkManager has nothing of the dial to take down.
constexpr int kNotRunning = 8;
constexpr int kNoSuchConnection = 10;

// The path in nmcli's "Connection successfully activated (D-Bus active path: PATH)".
std::string ActivePath(const std::string& output) {
  constexpr std::string_view kMarker = "D-Bus active path: ";
  const auto start = output.find(kMarker);
  if (start == std::string::npos) return {};
  const auto from = start + kMarker.size();
  const auto end = output.find_first_of(") \n", from);
  return output.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

}  // namespace

NmDial::NmDial(const NmDialUp& facility, std::string entry, ChildProcess child, int outputFd,
               std::filesystem::path passwdFile, int notice)
    : facility_(facility),
      entry_(std::move(entry)),
      child_(std::move(child)),
      outputFd_(outputFd),
      passwdFile_(std::move(passwdFile)),
      notice_(notice),
      bound_(std::chrono::steady_clock::now() + facility.Setup().dialWait + kBoundGrace) {}

NmDial::~NmDial() {
  if (!child_.Wait(0ms)) {
    child_.Signal(SIGKILL);
    child_.Wait(2s);
  }
  RemovePasswdFile();
  if (outputFd_ >= 0) ::close(outputFd_);
  // Dropped before its end: whatever nmcli had asked for may still come up.
  if (!result_) TakeDown();
}

void NmDial::Cancel() {
  cancelled_ = true;
  child_.Signal(SIGTERM);
}

void NmDial::RemovePasswdFile() {
  if (passwdFile_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(passwdFile_, ignored);
  passwdFile_.clear();
}

void NmDial::TakeDown() {
  if (takenDown_) return;
  takenDown_ = true;
  if (const auto link = facility_.LinkOfEntry(entry_)) facility_.HangUp(link->handle.id);
}

void NmDial::ReadOutput(std::chrono::milliseconds timeout) {
  pollfd readable{outputFd_, POLLIN, 0};
  if (::poll(&readable, 1, static_cast<int>(timeout.count())) <= 0) return;
  char buffer[4096];
  const ssize_t count = ::read(outputFd_, buffer, sizeof buffer);
  if (count < 0 && errno == EINTR) return;
  if (count <= 0) {
    // nmcli has closed its end: it is ending.
    ::close(outputFd_);
    outputFd_ = -1;
    return;
  }
  const std::size_t room = kMaxOutput - std::min(kMaxOutput, output_.size());
  output_.append(buffer, std::min(room, static_cast<std::size_t>(count)));
}

std::optional<int> NmDial::Step(std::chrono::milliseconds timeout,
                                const std::function<void(int state)>& onState) {
  if (result_) return result_;
  if (!announced_) {
    announced_ = true;
    onState(kDialConnectingDevice);
  }
  if (outputFd_ >= 0) ReadOutput(timeout);
  const std::optional<int> status = child_.Wait(outputFd_ >= 0 ? 0ms : timeout);
  if (!status) {
    if (!killedAtBound_ && std::chrono::steady_clock::now() > bound_) {
      killedAtBound_ = true;
      child_.Signal(SIGKILL);
    }
    return std::nullopt;
  }
  // What nmcli wrote before it ended is still in the pipe.
  while (outputFd_ >= 0) ReadOutput(0ms);
  result_ = Finish(*status);
  return result_;
}

int NmDial::Finish(int exitStatus) {
  RemovePasswdFile();
  if (cancelled_ || (exitStatus < 0 && !killedAtBound_)) {
    TakeDown();
    return kDialCancelled;
  }
  if (killedAtBound_) {
    TakeDown();
    return NmcliExitCode(3);
  }
  if (exitStatus != 0) {
    if (exitStatus != kNotRunning && exitStatus != kNoSuchConnection) TakeDown();
    return NmActivationFailure(exitStatus, output_);
  }
  int id = NmDialUp::IdOfPath(ActivePath(output_));
  if (id == 0) {
    // An nmcli that does not name the activation: the entry's active connection is it.
    if (const auto link = facility_.LinkOfEntry(entry_)) id = link->handle.id;
  }
  const auto link = facility_.LinkOfId(id);
  if (!link || !link->connected) {
    TakeDown();
    return kNmLinkNotUp;
  }
  handle_ = link->handle;
  return 0;
}

}  // namespace kelbrin::platform
