#include "session/HeadlessPresenter.h"

#include <iostream>

#include "eventlog/LineText.h"
#include "eventlog/LogFormat.h"
#include "reminders/TBeepThread.h"

namespace kelbrin::session {

namespace {

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

HeadlessPresenter::HeadlessPresenter(std::ostream& out) : out_(out) {}

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
void HeadlessPresenter::WriteLine(const std::string& line) {
  out_ << eventlog::EscapeControls(line) << '\n';
  out_.flush();
}

void HeadlessPresenter::ShowHintPopup(const std::string& title, const std::string& text) {
  WriteLine(title + ": " + text);
}

void HeadlessPresenter::StartBeep(int repetitions) {
  static const std::string pattern = DescribeBeepPattern();
  WriteLine("beep: " + pattern + " x" + std::to_string(repetitions));
}

void HeadlessPresenter::MessageBeep() { WriteLine("beep: message"); }

void HeadlessPresenter::ShowErrorBox(const std::string& caption, const std::string& text) {
  WriteLine(caption + ": " + text);
}

void HeadlessPresenter::ShowInfoBox(const std::string& caption, const std::string& text) {
  WriteLine(caption + ": " + text);
}

void HeadlessPresenter::ShowMainWindow() { WriteLine("show main window"); }

void HeadlessPresenter::OnLogRowInserted(const eventlog::TLogRec& entry) {
  WriteLine(eventlog::FormatLogLine(entry));
}

}  // namespace kelbrin::session
