#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

struct sd_bus;

namespace kelbrin::test {

// A Secret Service as a test plays it, on a private bus: one keyring, locked, holding one locked
// item whatever is searched for, whose unlock prompt the user declines. Served on a thread of
// its own.
class StandInSecretService {
 public:
  explicit StandInSecretService(const std::string& address);
  ~StandInSecretService();
  StandInSecretService(const StandInSecretService&) = delete;
  StandInSecretService& operator=(const StandInSecretService&) = delete;

  // How many unlock prompts have been shown.
  int PromptsShown() const;

  // The serving thread: a prompt shows, and the user declines it.
  void ShowPrompt(const std::string& path);

 private:
  sd_bus* bus_ = nullptr;
  mutable std::mutex mutex_;
  int promptsShown_ = 0;
  std::atomic<bool> stop_{false};
  std::thread server_;
};

}  // namespace kelbrin::test
