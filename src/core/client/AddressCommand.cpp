#include "client/AddressCommand.h"

#include <optional>

#include "platform/process/ChildProcess.h"
#include "runtime/Translate.h"

namespace kelbrin::client {

namespace {

// How often a run checks whether the client is stopping while its program still runs.
constexpr std::chrono::milliseconds kStopCheck{100};

std::string FirstLine(const std::string& output) {
  std::string line = output.substr(0, output.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

AddressCommand::AddressCommand(std::string program, std::chrono::milliseconds timeout,
                               std::function<void(bool, std::string)> report)
    : program_(std::move(program)), timeout_(timeout), report_(std::move(report)) {
  thread_ = std::thread([this] { Work(); });
}

AddressCommand::~AddressCommand() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void AddressCommand::Run(const std::string& address, const std::string& previous) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({program_, address, previous});
  }
  changed_.notify_all();
}

void AddressCommand::Work() {
  for (;;) {
    std::vector<std::string> argv;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      argv = std::move(queue_.front());
      queue_.pop_front();
    }
    bool ok = false;
    std::string text = RunOnce(argv, ok);
    report_(ok, std::move(text));
  }
}

std::string AddressCommand::RunOnce(const std::vector<std::string>& argv, bool& ok) {
  platform::ChildOptions options;
  options.captureOutput = true;
  options.ownProcessGroup = true;
  std::optional<platform::ChildProcess> child = platform::ChildProcess::Start(argv, options);
  if (!child) return runtime::Translate("Address command %1 could not be started", {program_});
  const auto deadline = std::chrono::steady_clock::now() + timeout_;
  std::optional<int> status;
  while (!(status = child->Wait(kStopCheck))) {
    bool stopping = false;
    {
      std::lock_guard lock(mutex_);
      stopping = stopping_;
    }
    if (stopping || std::chrono::steady_clock::now() >= deadline) {
      child->EndGroup();
      return stopping
                 ? runtime::Translate("Address command %1 was stopped with the client", {program_})
                 : runtime::Translate("Address command %1 took too long and was ended", {program_});
    }
  }
  ok = *status == 0;
  const std::string line = FirstLine(child->Output());
  return (*status < 0 ? runtime::Translate("Address command %1 ended by a signal", {program_})
                      : runtime::Translate("Address command %1 exited %2",
                                           {program_, std::to_string(*status)})) +
         (line.empty() ? "" : ": " + line);
}

}  // namespace kelbrin::client
