#pragma once

#include <cstddef>

#include "eventlog/TLogRec.h"

namespace kelbrin::eventlog {

// Follows the changes of a LogList, in the shape a list model wants them: each change is
// announced before it happens and reported after. Rows count from the newest (row 0). Called on
// the list's owner thread, synchronously; an observer must not change the list from a callback.
class LogListObserver {
 public:
  virtual ~LogListObserver() = default;

  // Rows first..last (inclusive) are about to leave: the oldest ones when the list is full, or
  // every row when it is cleared.
  virtual void OnLogRowsRemoving(std::size_t first, std::size_t last) {
    static_cast<void>(first);
    static_cast<void>(last);
  }
  virtual void OnLogRowsRemoved() {}

  // A new entry is about to go in at row 0, pushing every row down by one.
  virtual void OnLogRowInserting() {}
  virtual void OnLogRowInserted(const TLogRec& entry) { static_cast<void>(entry); }
};

}  // namespace kelbrin::eventlog
