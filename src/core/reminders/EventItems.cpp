#include "reminders/EventItems.h"

#include <charconv>
#include <optional>
#include <string>

#include "settings/PubUtil.h"

namespace kelbrin::reminders {

namespace {

constexpr std::uint32_t kUsedBits = (1u << (2 * kEventKindCount)) - 1;

// The stored text as a 32-bit integer (an optional sign, then decimal digits), or nothing.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.starts_with('-')) return {};
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  return value;
}

}  // namespace

EventItems::EventItems() { SetDefaults(); }

void EventItems::SetDefaults() {
  for (int kind = 0; kind < kEventKindCount; ++kind) {
    const EventKindInfo& info = kEventKinds[static_cast<std::size_t>(kind)];
    (*this)[kind] = TEventItem{std::string(info.firstText), std::string(info.secondText),
                               info.popupByDefault, false, false};
  }
}

void EventItems::LoadEventConfig() {
  const std::optional<std::int32_t> stored =
      ParseInteger(settings::TPubUtil::ReadRegString(std::string(kEventConfigName)));
  if (!stored) {
    SetDefaults();
    return;
  }
  const auto mask = static_cast<std::uint32_t>(*stored) & kUsedBits;
  for (int kind = 0; kind < kEventKindCount; ++kind) {
    (*this)[kind].popup = (mask >> (2 * kind)) & 1u;
    (*this)[kind].sound = (mask >> (2 * kind + 1)) & 1u;
  }
}

void EventItems::SaveEventConfig() const {
  std::uint32_t mask = 0;
  for (int kind = 0; kind < kEventKindCount; ++kind) {
    if ((*this)[kind].popup) mask |= 1u << (2 * kind);
    if ((*this)[kind].sound) mask |= 1u << (2 * kind + 1);
  }
  settings::TPubUtil::WriteRegString(std::string(kEventConfigName), std::to_string(mask));
}

}  // namespace kelbrin::reminders
