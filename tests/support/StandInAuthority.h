#pragma once

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "PrivateBus.h"

namespace kelbrin::test {

// polkit's authority as a test plays it, on a private bus: CheckAuthorization answers yes for
// the allowed actions and no for every other, and notes each question as "KIND NAME ACTION"
// (the subject's kind and its "name" detail). Served on a thread of its own.
class StandInAuthority {
 public:
  explicit StandInAuthority(const std::string& address);
  StandInAuthority(const StandInAuthority&) = delete;
  StandInAuthority& operator=(const StandInAuthority&) = delete;

  void Allow(const std::string& action);
  std::vector<std::string> Questions() const;
  // The serving thread: notes the question and answers it.
  bool Decide(const std::string& subject, const std::string& action);

 private:
  mutable std::mutex mutex_;
  std::set<std::string> allowed_;
  std::vector<std::string> questions_;
  ServedConnection connection_;
};

}  // namespace kelbrin::test
