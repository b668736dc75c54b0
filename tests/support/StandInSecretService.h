#pragma once

#include <mutex>
#include <string>

#include "PrivateBus.h"

namespace kelbrin::test {

// A Secret Service as a test plays it, on a private bus: one keyring, locked, holding one locked
// item whatever is searched for, whose unlock prompt the user declines. Served on a thread of
// its own.
class StandInSecretService {
 public:
  explicit StandInSecretService(const std::string& address);
  StandInSecretService(const StandInSecretService&) = delete;
  StandInSecretService& operator=(const StandInSecretService&) = delete;

  // How many unlock prompts have been shown.
  int PromptsShown() const;

  // The serving thread: a prompt shows, and the user declines it.
  void ShowPrompt(const std::string& path);

 private:
  mutable std::mutex mutex_;
  int promptsShown_ = 0;
  ServedConnection connection_;
};

}  // namespace kelbrin::test
