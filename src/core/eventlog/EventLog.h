#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "eventlog/LogList.h"
#include "runtime/Clock.h"

namespace kelbrin::eventlog {

// Logged as a tip (through the dispatcher's free-text notification) right after a clear.
inline constexpr std::string_view kClearLogNotice = "Clear log！";

// The in-memory event log of one run: the bounded list and the rules for what enters it. Owned
// and used by the controller's thread only (the list asserts it).
class EventLog {
 public:
  // `noWanIpWindowsChecked` answers whether the "windows" box of the "No WAN IP remind" reminder
  // row is checked; texts about a missing public address are logged only then.
  EventLog(const runtime::Clock& clock, std::function<bool()> noWanIpWindowsChecked);

  // Adds {kind, text, now} at the top, except for "Connection fails！" in any ASCII case and for
  // texts about a missing public address while that reminder's "windows" box is clear.
  void AddLog(std::uint8_t kind, const std::string& text);

  // Drops every entry. The confirmation before it is the window's; the caller then notifies
  // kClearLogNotice.
  void Clear();

  // The file name offered by the save dialog, from the current local time.
  std::string SuggestedFileName() const;

  const LogList& List() const { return list_; }
  LogList& List() { return list_; }

 private:
  const runtime::Clock& clock_;
  std::function<bool()> noWanIpWindowsChecked_;
  LogList list_;
};

}  // namespace kelbrin::eventlog
