#pragma once

#include <clocale>
#include <string>

namespace kelbrin::test {

// The messages language of this process, for the life of the scope.
class MessagesLocale {
 public:
  explicit MessagesLocale(const char* locale)
      : previous_(std::setlocale(LC_MESSAGES, nullptr)),
        chosen_(std::setlocale(LC_MESSAGES, locale) != nullptr) {}
  ~MessagesLocale() { std::setlocale(LC_MESSAGES, previous_.c_str()); }
  bool chosen() const { return chosen_; }

 private:
  std::string previous_;
  bool chosen_;
};

}  // namespace kelbrin::test
