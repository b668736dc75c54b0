#pragma once

#include <cstddef>
#include <thread>
#include <vector>

#include "eventlog/LogListObserver.h"
#include "eventlog/TLogRec.h"

namespace kelbrin::eventlog {

// The event log's entries, newest first, at most kCapacity of them. A ring buffer: adding is
// O(1) however full the list is. The list belongs to the thread that created it (the
// controller's); every member throws std::logic_error when called on another thread, and
// observers are called on the owner thread.
class LogList {
 public:
  static constexpr std::size_t kCapacity = 1000;

  LogList();
  LogList(const LogList&) = delete;
  LogList& operator=(const LogList&) = delete;

  std::size_t size() const;
  bool empty() const { return size() == 0; }
  // Row 0 is the newest entry. `row` must be below size().
  const TLogRec& at(std::size_t row) const;

  // When the list is full, first drops the oldest entries until kCapacity - 1 remain; then puts
  // `entry` at row 0.
  void Insert(TLogRec entry);
  void Clear();

  // The observer stays registered until removed; it must outlive its registration.
  void AddObserver(LogListObserver* observer);
  void RemoveObserver(LogListObserver* observer);

 private:
  void AssertOwnerThread() const;
  void RemoveOldestFrom(std::size_t row);
  std::size_t SlotOfRow(std::size_t row) const;

  const std::thread::id owner_;
  std::vector<TLogRec> slots_;  // grows to kCapacity, then reused in a ring
  std::size_t next_ = 0;        // slot the next entry goes to
  std::size_t count_ = 0;
  std::vector<LogListObserver*> observers_;
};

}  // namespace kelbrin::eventlog
