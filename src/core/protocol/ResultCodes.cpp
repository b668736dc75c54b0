#include "protocol/ResultCodes.h"

#include <atomic>
#include <mutex>

namespace kelbrin::protocol {

namespace {

std::atomic<ResultReactions*> reactions{nullptr};

std::mutex lastResultMutex;
int lastResultCode = 0;
std::string lastErrorText;

const char* MessageOf(int code) {
  switch (code) {
    case 1:
      return "Connection failure！";
    case 100:
      return "Please register first！";
    case 102:
      return "Password failure！";
    case 110:
      return "Invaild user type！";
    default:
      return "Host Information：unknown Error";
  }
}

}  // namespace

void SetResultReactions(ResultReactions* installed) { reactions.store(installed); }

void ResultCodeText(int code) {
  const std::string text = MessageOf(code);
  {
    std::lock_guard lock(lastResultMutex);
    lastResultCode = code;
    lastErrorText = text;
  }
  ResultReactions* const react = reactions.load();
  if (react == nullptr) return;
  if (code == 1) {
    // The line's own failure must not turn a missing reply into something worse.
    try {
      react->AuthenticateLine();
    } catch (...) {
    }
  } else {
    react->ShowLastError(text);
  }
}

int LastResultCode() {
  std::lock_guard lock(lastResultMutex);
  return lastResultCode;
}

std::string LastErrorText() {
  std::lock_guard lock(lastResultMutex);
  return lastErrorText;
}

}  // namespace kelbrin::protocol
