#include "runtime/Presenter.h"

#include "runtime/Translate.h"

namespace kelbrin::runtime {

namespace {
constexpr int kReminderBeeps = 3;
constexpr int kConnectionLostBeeps = 6;
}  // namespace

void Presenter::Tell(const Notice& notice, std::function<void()> closed) {
  const PopupWeight weight = PopupWeightOf(notice.kind);
  const auto popup = [this, &notice, weight](const char* title) {
    ShowNoticePopup(title, notice.text, weight);
  };
  switch (notice.kind) {
    case NoticeKind::News:
      popup(Translatable("Hint"));
      break;
    case NoticeKind::Tip:
      popup(Translatable("Tip"));
      break;
    case NoticeKind::Answer:
      MessageBeep();
      popup(Translatable("Tip"));
      break;
    case NoticeKind::Reminder:
    case NoticeKind::WarningReminder:
      popup(notice.kind == NoticeKind::Reminder ? Translatable("Hint") : Translatable("Warning"));
      if (notice.loud) StartBeep(kReminderBeeps);
      break;
    case NoticeKind::ConnectionLost:
      popup(Translatable("Tip"));
      if (notice.loud) StartBeep(kConnectionLostBeeps);
      break;
    case NoticeKind::LineProblem:
      popup(Translatable("Tip"));
      ShowNetworkSettings();
      break;
    case NoticeKind::Failure:
      ShowErrorBoxThen(Translatable("Error"), notice.text, std::move(closed));
      return;
  }
  if (closed) closed();
}

}  // namespace kelbrin::runtime
