#include "session/HeadlessPresenter.h"

#include <iostream>

#include "eventlog/LineText.h"
#include "eventlog/LogFormat.h"
#include "reminders/TBeepThread.h"
#include "runtime/Translate.h"

namespace kelbrin::session {

namespace {

using runtime::Translate;

// sd-daemon priorities: what `journalctl -p` filters by.
constexpr int kPriorityError = 3;
constexpr int kPriorityWarning = 4;
constexpr int kPriorityNotice = 5;
constexpr int kPriorityInfo = 6;
// A beep has no one to hear it on a server: what it would have sounded is for debugging only.
constexpr int kPriorityDebug = 7;

// Popups titled "Tip" carry the failures ("Login failure: ...", "Connection fails！"); "Hint"
// the good news.
int PopupPriority(const std::string& title) {
  return title == "Tip" ? kPriorityWarning : kPriorityNotice;
}

int LogPriority(std::uint8_t kind) {
  switch (kind) {
    case eventlog::kLogError:
      return kPriorityError;
    case eventlog::kLogWarning:
      return kPriorityWarning;
    default:
      return kPriorityInfo;
  }
}

// "800 Hz 500 ms, 800 Hz 200 ms, 1000 Hz 300 ms": the tones of one repetition.
std::string DescribeBeepPattern() {
  std::string text;
  for (const reminders::BeepTone& tone : reminders::kBeepPattern) {
    if (!text.empty()) text += ", ";
    text += std::to_string(tone.frequencyHz) + " Hz " + std::to_string(tone.durationMs) + " ms";
  }
  return text;
}

}  // namespace

HeadlessPresenter::HeadlessPresenter(std::ostream& out, bool journalPriorities)
    : out_(out), journalPriorities_(journalPriorities) {}

HeadlessPresenter::HeadlessPresenter() : HeadlessPresenter(std::cerr) {}

HeadlessPresenter::~HeadlessPresenter() {
  if (followed_ != nullptr) followed_->RemoveObserver(this);
}

void HeadlessPresenter::Follow(eventlog::LogList& list) {
  if (followed_ != nullptr) followed_->RemoveObserver(this);
  followed_ = &list;
  list.AddObserver(this);
}

// Titles and texts carry what the service sent: escaped, so each effect stays one journal line.
void HeadlessPresenter::WriteLine(int priority, const std::string& line) {
  justLogged_.reset();
  if (journalPriorities_) out_ << '<' << priority << '>';
  out_ << eventlog::EscapeControls(line) << '\n';
  out_.flush();
}

void HeadlessPresenter::ShowHintPopup(const std::string& title, const std::string& text) {
  // A notice shown right after its own log entry is the same event: the entry's line has it.
  if (justLogged_ == text) {
    justLogged_.reset();
    return;
  }
  WriteLine(PopupPriority(title), Translate(title) + ": " + Translate(text));
}

void HeadlessPresenter::StartBeep(int repetitions) {
  static const std::string pattern = DescribeBeepPattern();
  WriteLine(kPriorityDebug, "beep: " + pattern + " x" + std::to_string(repetitions));
}

void HeadlessPresenter::MessageBeep() { WriteLine(kPriorityDebug, "beep: message"); }

void HeadlessPresenter::ShowErrorBox(const std::string& caption, const std::string& text) {
  WriteLine(kPriorityError, Translate(caption) + ": " + Translate(text));
}

void HeadlessPresenter::ShowInfoBox(const std::string& caption, const std::string& text) {
  WriteLine(kPriorityNotice, Translate(caption) + ": " + Translate(text));
}

// Headless, there is no window to show.
void HeadlessPresenter::ShowMainWindow() {}

void HeadlessPresenter::OnLogRowInserted(const eventlog::TLogRec& entry) {
  WriteLine(LogPriority(entry.kind), eventlog::FormatLogLine(entry));
  justLogged_ = entry.text;
}

}  // namespace kelbrin::session
