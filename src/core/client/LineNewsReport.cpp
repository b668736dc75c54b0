#include "client/LineNewsReport.h"

#include <string>

namespace kelbrin::client {

void ReportLineNews(const lines::LineNews& news, eventlog::EventLog& log,
                    runtime::Presenter& presenter) {
  const std::string text = lines::LineNewsText(news);
  switch (news.change) {
    case lines::LineChange::Up:
      log.AddLog(eventlog::kLogTip, text);
      return;
    case lines::LineChange::Lost:
      log.AddLog(eventlog::kLogWarning, text);
      break;
    case lines::LineChange::DialFailed:
      log.AddLog(eventlog::kLogError, text);
      break;
  }
  presenter.ShowHintPopup("Warning", text);
}

}  // namespace kelbrin::client
