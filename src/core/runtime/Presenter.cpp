#include "runtime/Presenter.h"

#include "runtime/Translate.h"

namespace kelbrin::runtime {

namespace {
constexpr int kReminderBeeps = 3;
constexpr int kConnectionLostBeeps = 6;
}  // namespace

void Presenter::Tell(const Notice& notice, std::function<void()> closed) {
  switch (notice.kind) {
    case NoticeKind::News:
      ShowHintPopup(Translatable("Hint"), notice.text);
      break;
    case NoticeKind::Tip:
      ShowHintPopup(Translatable("Tip"), notice.text);
      break;
    case NoticeKind::Answer:
      MessageBeep();
      ShowHintPopup(Translatable("Tip"), notice.text);
      break;
    case NoticeKind::Reminder:
    case NoticeKind::WarningReminder:
      ShowHintPopup(
          notice.kind == NoticeKind::Reminder ? Translatable("Hint") : Translatable("Warning"),
          notice.text);
      if (notice.loud) StartBeep(kReminderBeeps);
      break;
    case NoticeKind::ConnectionLost:
      ShowHintPopup(Translatable("Tip"), notice.text);
      if (notice.loud) StartBeep(kConnectionLostBeeps);
      break;
    case NoticeKind::LineProblem:
      ShowHintPopup(Translatable("Tip"), notice.text);
      ShowNetworkSettings();
      break;
    case NoticeKind::Failure:
      ShowErrorBoxThen(Translatable("Error"), notice.text, std::move(closed));
      return;
  }
  if (closed) closed();
}

}  // namespace kelbrin::runtime
