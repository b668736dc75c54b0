#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PrivateBus.h"

struct sd_bus_message;

namespace kelbrin::test {

// polkit's authority as a test plays it, on a private bus: CheckAuthorization answers each action
// as the test set it (refused unless said otherwise) and notes every question. While held, it
// answers nothing until released. Served on a thread of its own.
class StandInAuthority {
 public:
  enum class Answer {
    Allowed,
    Refused,
    Challenge,  // not authorized, but the user could authenticate
  };
  struct Question {
    std::string subject;  // "KIND NAME": the subject's kind and its "name" detail
    std::string action;
    bool interactive;  // the caller let polkit ask the user (flag AllowUserInteraction)
  };

  explicit StandInAuthority(const std::string& address);
  StandInAuthority(const StandInAuthority&) = delete;
  StandInAuthority& operator=(const StandInAuthority&) = delete;

  void SetAnswer(const std::string& action, Answer answer);
  void Allow(const std::string& action) { SetAnswer(action, Answer::Allowed); }
  std::vector<Question> Questions() const;
  void Hold();
  // Answers what was held (on the serving thread, soon), and from now on at once.
  void Release();
  // How many questions are held and not yet answered.
  std::size_t Unanswered() const;

  // The serving thread: notes the question and answers it, or holds it.
  int Check(sd_bus_message* call);

 private:
  void AnswerReleased();
  struct Unref {
    void operator()(sd_bus_message* call) const;
  };
  using Held = std::pair<std::unique_ptr<sd_bus_message, Unref>, Answer>;

  mutable std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::vector<Question> questions_;
  bool holding_ = false;
  // Declared before the connection, so what is still held at the end is dropped only once the
  // connection stopped serving (its callers hear of it when it closes).
  std::vector<Held> held_;
  ServedConnection connection_;
};

}  // namespace kelbrin::test
