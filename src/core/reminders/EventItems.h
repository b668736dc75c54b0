#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "reminders/EventKinds.h"
#include "reminders/TEventItem.h"

namespace kelbrin::reminders {

// The settings value that holds the flags: the decimal text of a mask with bit 2*k for kind k's
// popup flag and bit 2*k+1 for its sound flag. Higher bits are ignored and written as 0.
inline constexpr std::string_view kEventConfigName = "EventConfig";
inline constexpr std::uint32_t kDefaultEventMask = 65620;

// The ten reminder kinds' items for the whole run. Owned and used by the controller's thread.
class EventItems {
 public:
  // Starts with the defaults.
  EventItems();

  // Texts and default flags of every kind; clears the logged flags.
  void SetDefaults();
  // Takes the popup and sound flags from "EventConfig" (texts and logged flags untouched); when
  // the value is absent or not a number, SetDefaults.
  void LoadEventConfig();
  // Writes the flags as "EventConfig". Throws settings::SettingsError.
  void SaveEventConfig() const;

  TEventItem& operator[](int kind) { return items_.at(static_cast<std::size_t>(kind)); }
  const TEventItem& operator[](int kind) const { return items_.at(static_cast<std::size_t>(kind)); }

 private:
  std::array<TEventItem, kEventKindCount> items_;
};

}  // namespace kelbrin::reminders
