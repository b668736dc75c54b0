#include "lines/LineNews.h"

#include "platform/dialup/DialErrors.h"
#include "runtime/Translate.h"

namespace kelbrin::lines {

using runtime::Translate;

namespace {

std::string FailureReason(int code) {
  if (code == -1) return Translate("the connection is not in the dial-up phonebook");
  return std::to_string(code) + " " + Translate(platform::DialErrorText(code));
}

}  // namespace

std::string LineNewsText(const LineNews& news) {
  switch (news.change) {
    case LineChange::Up:
      return Translate("Internet line up：") + news.entryName;
    case LineChange::Lost:
      return Translate("Internet line lost：") + news.entryName;
    case LineChange::DialFailed:
      return Translate("Dial-up failed：") + news.entryName + " (" + FailureReason(news.code) + ")";
  }
  return news.entryName;
}

}  // namespace kelbrin::lines
