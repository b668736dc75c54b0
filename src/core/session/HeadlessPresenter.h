#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "eventlog/LogList.h"
#include "eventlog/LogListObserver.h"
#include "runtime/Presenter.h"

namespace kelbrin::session {

// The presenter of service mode and of tests: every effect becomes one line on a stream (stderr,
// i.e. the journal, by default), and so does every new event-log entry it follows; a popup that
// only repeats the entry just written adds no line, so each event is one line. Control characters
// inside are escaped, so no text from the service can start a line of its own. It never waits for
// anybody: no box to confirm, no tone to sit out. Controller's thread only.
class HeadlessPresenter final : public runtime::Presenter, public eventlog::LogListObserver {
 public:
  // `journalPriorities`: each line starts with its sd-daemon priority ("<3>" errors, "<4>"
  // warnings, "<5>" notices, "<6>" information), for a stream the journal reads.
  explicit HeadlessPresenter(std::ostream& out, bool journalPriorities = false);
  HeadlessPresenter();  // writes to std::cerr
  ~HeadlessPresenter() override;
  HeadlessPresenter(const HeadlessPresenter&) = delete;
  HeadlessPresenter& operator=(const HeadlessPresenter&) = delete;

  // From now on writes each new entry of `list` as its saved-log line (without the CR LF); stops
  // following the previous list. `list` must outlive the presenter or the next Follow.
  void Follow(eventlog::LogList& list);

  void ShowHintPopup(const std::string& title, const std::string& text) override;
  void StartBeep(int repetitions) override;
  void MessageBeep() override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  void ShowInfoBox(const std::string& caption, const std::string& text) override;
  void ShowMainWindow() override;

  void OnLogRowInserted(const eventlog::TLogRec& entry) override;

 private:
  void WriteLine(int priority, const std::string& line);

  std::ostream& out_;
  bool journalPriorities_;
  eventlog::LogList* followed_ = nullptr;
  std::optional<std::string> justLogged_;  // text of the log entry of the last line written
};

}  // namespace kelbrin::session
