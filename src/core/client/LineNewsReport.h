#pragma once

#include "eventlog/EventLog.h"
#include "lines/LineNews.h"
#include "runtime/Presenter.h"

namespace kelbrin::client {

// Tells the user of a change of the Internet line: a log entry for every change, and a popup
// when the line went down or could not be dialled, so a failure is seen from whatever page is
// showing (the service's output has the log entry's line only). Controller's thread.
void ReportLineNews(const lines::LineNews& news, eventlog::EventLog& log,
                    runtime::Presenter& presenter);

}  // namespace kelbrin::client
