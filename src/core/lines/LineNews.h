#pragma once

#include <string>

namespace kelbrin::lines {

// A change of a kept line's state that the user is told of once: the link came up, the link
// was lost, or a dial failed (told again only when the failure changes, not on every retry).
enum class LineChange { Up, Lost, DialFailed };

struct LineNews {
  LineChange change = LineChange::Up;
  std::string entryName;
  // DialFailed: the dial's result, the dial-up error code or -1 (the entry cannot be dialled).
  int code = 0;
  bool operator==(const LineNews&) const = default;
};

// The news as the event log and the service's output show it, translated.
std::string LineNewsText(const LineNews& news);

}  // namespace kelbrin::lines
