#include "StandInAuthority.h"

#include <systemd/sd-bus.h>

#include <cstdint>

namespace kelbrin::test {

namespace {

int OnCheck(sd_bus_message* call, void* self, sd_bus_error*) {
  return static_cast<StandInAuthority*>(self)->Check(call);
}

const sd_bus_vtable kAuthority[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("CheckAuthorization", "(sa{sv})sa{ss}us", "(bba{ss})", OnCheck,
                  SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_VTABLE_END,
};

// The subject "(KIND, {name: <s NAME>, …})" as "KIND NAME".
std::string ReadSubject(sd_bus_message* call) {
  const char* kind = nullptr;
  std::string name;
  sd_bus_message_enter_container(call, 'r', "sa{sv}");
  sd_bus_message_read_basic(call, 's', &kind);
  sd_bus_message_enter_container(call, 'a', "{sv}");
  while (sd_bus_message_enter_container(call, 'e', "sv") > 0) {
    const char* key = nullptr;
    sd_bus_message_read_basic(call, 's', &key);
    if (std::string(key) == "name" && sd_bus_message_enter_container(call, 'v', "s") > 0) {
      const char* value = nullptr;
      sd_bus_message_read_basic(call, 's', &value);
      name = value;
      sd_bus_message_exit_container(call);
    } else {
      sd_bus_message_skip(call, "v");
    }
    sd_bus_message_exit_container(call);
  }
  sd_bus_message_exit_container(call);
  sd_bus_message_exit_container(call);
  return std::string(kind != nullptr ? kind : "") + " " + name;
}

int Reply(sd_bus_message* call, StandInAuthority::Answer answer) {
  using Answer = StandInAuthority::Answer;
  return sd_bus_reply_method_return(call, "(bba{ss})", answer == Answer::Allowed ? 1 : 0,
                                    answer == Answer::Challenge ? 1 : 0, 0);
}

}  // namespace

StandInAuthority::StandInAuthority(const std::string& address)
    : connection_(
          address, "the stand-in authority",
          [this](sd_bus* bus) {
            return sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/PolicyKit1/Authority",
                                            "org.freedesktop.PolicyKit1.Authority", kAuthority,
                                            this) >= 0 &&
                   sd_bus_request_name(bus, "org.freedesktop.PolicyKit1", 0) >= 0;
          },
          [this] { AnswerReleased(); }) {}

void StandInAuthority::Unref::operator()(sd_bus_message* call) const { sd_bus_message_unref(call); }

int StandInAuthority::Check(sd_bus_message* call) {
  const std::string subject = ReadSubject(call);
  const char* action = nullptr;
  sd_bus_message_read_basic(call, 's', &action);
  sd_bus_message_skip(call, "a{ss}");
  std::uint32_t flags = 0;
  sd_bus_message_read_basic(call, 'u', &flags);
  std::unique_lock lock(mutex_);
  questions_.push_back({subject, action, (flags & 1u) != 0});
  const auto set = answers_.find(action);
  const Answer answer = set != answers_.end() ? set->second : Answer::Refused;
  if (holding_) {
    held_.emplace_back(std::unique_ptr<sd_bus_message, Unref>(sd_bus_message_ref(call)), answer);
    return 1;
  }
  lock.unlock();
  return Reply(call, answer);
}

void StandInAuthority::AnswerReleased() {
  std::lock_guard lock(mutex_);
  if (holding_) return;
  for (const auto& [call, answer] : held_) Reply(call.get(), answer);
  held_.clear();
}

void StandInAuthority::SetAnswer(const std::string& action, Answer answer) {
  std::lock_guard lock(mutex_);
  answers_[action] = answer;
}

std::vector<StandInAuthority::Question> StandInAuthority::Questions() const {
  std::lock_guard lock(mutex_);
  return questions_;
}

void StandInAuthority::Hold() {
  std::lock_guard lock(mutex_);
  holding_ = true;
}

std::size_t StandInAuthority::Unanswered() const {
  std::lock_guard lock(mutex_);
  return held_.size();
}

void StandInAuthority::Release() {
  std::lock_guard lock(mutex_);
  holding_ = false;
}

}  // namespace kelbrin::test
