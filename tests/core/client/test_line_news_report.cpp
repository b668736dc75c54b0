#include <gtest/gtest.h>

#include "SessionDoubles.h"
#include "client/LineNewsReport.h"
#include "runtime/ManualClock.h"

namespace {

using kelbrin::lines::LineChange;
using kelbrin::lines::LineNews;

// Every change reaches the log with its weight; only a line that went down or could not be
// dialled also pops up, so a failed dial is seen from the page where the line was saved.
TEST(LineNewsReportTest, EveryChangeIsLoggedAndOnlyTheLineGoingDownPopsUp) {
  struct Case {
    LineNews news;
    std::uint8_t logKind;
    bool popup;
  };
  const Case cases[] = {
      {{LineChange::Up, "adsl", 0}, kelbrin::eventlog::kLogTip, false},
      {{LineChange::Lost, "adsl", 0}, kelbrin::eventlog::kLogWarning, true},
      {{LineChange::DialFailed, "adsl", 1019}, kelbrin::eventlog::kLogError, true},
  };
  for (const Case& c : cases) {
    kelbrin::runtime::ManualClock clock;
    kelbrin::eventlog::EventLog log(clock, [] { return false; });
    kelbrin::test::RecordingPresenter presenter;

    kelbrin::client::ReportLineNews(c.news, log, presenter);

    const std::string text = kelbrin::lines::LineNewsText(c.news);
    ASSERT_EQ(log.List().size(), 1u) << text;
    EXPECT_EQ(log.List().at(0).kind, c.logKind) << text;
    EXPECT_EQ(log.List().at(0).text, text);
    EXPECT_EQ(presenter.Count("popup", "Warning", text), c.popup ? 1 : 0) << text;
    EXPECT_EQ(presenter.effects.size(), c.popup ? 1u : 0u) << text;
  }
}

}  // namespace
