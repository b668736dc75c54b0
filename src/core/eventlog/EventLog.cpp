#include "eventlog/EventLog.h"

#include <algorithm>
#include <utility>

#include "eventlog/LogFormat.h"
#include "runtime/AsciiCase.h"

namespace kelbrin::eventlog {

namespace {

constexpr std::string_view kConnectionFails = "Connection fails！";
constexpr std::string_view kNoWanIp = "没有公网IP";

}  // namespace

EventLog::EventLog(const runtime::Clock& clock, std::function<bool()> noWanIpWindowsChecked)
    : clock_(clock), noWanIpWindowsChecked_(std::move(noWanIpWindowsChecked)) {}

void EventLog::AddLog(std::uint8_t kind, const std::string& text) {
  if (runtime::EqualIgnoringAsciiCase(text, kConnectionFails)) return;
  if (text.find(kNoWanIp) != std::string::npos && !noWanIpWindowsChecked_()) return;
  list_.Insert(TLogRec{kind, text, clock_.WallNow()});
}

void EventLog::Clear() { list_.Clear(); }

std::string EventLog::SuggestedFileName() const { return LogFileName(clock_.WallNow()); }

}  // namespace kelbrin::eventlog
