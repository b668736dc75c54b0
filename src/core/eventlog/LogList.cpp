#include "eventlog/LogList.h"

#include <algorithm>
#include <stdexcept>

namespace kelbrin::eventlog {

LogList::LogList() : owner_(std::this_thread::get_id()) {}

void LogList::AssertOwnerThread() const {
  // Checked in every build: a use off the owner thread would race with the owner's, so it is
  // refused before it touches anything.
  if (std::this_thread::get_id() != owner_) {
    throw std::logic_error("LogList used off its owner thread");
  }
}

std::size_t LogList::size() const {
  AssertOwnerThread();
  return count_;
}

std::size_t LogList::SlotOfRow(std::size_t row) const {
  return (next_ + kCapacity - 1 - row) % kCapacity;
}

const TLogRec& LogList::at(std::size_t row) const {
  AssertOwnerThread();
  if (row >= count_) throw std::out_of_range("LogList row out of range");
  return slots_[SlotOfRow(row)];
}

void LogList::RemoveOldestFrom(std::size_t row) {
  for (LogListObserver* o : observers_) o->OnLogRowsRemoving(row, count_ - 1);
  for (std::size_t r = row; r < count_; ++r) slots_[SlotOfRow(r)] = TLogRec{};
  count_ = row;
  for (LogListObserver* o : observers_) o->OnLogRowsRemoved();
}

void LogList::Insert(TLogRec entry) {
  AssertOwnerThread();
  if (count_ >= kCapacity) RemoveOldestFrom(kCapacity - 1);
  for (LogListObserver* o : observers_) o->OnLogRowInserting();
  if (slots_.size() < kCapacity) {
    slots_.push_back(std::move(entry));
  } else {
    slots_[next_] = std::move(entry);
  }
  next_ = (next_ + 1) % kCapacity;
  ++count_;
  for (LogListObserver* o : observers_) o->OnLogRowInserted(at(0));
}

void LogList::Clear() {
  AssertOwnerThread();
  if (count_ == 0) return;
  for (LogListObserver* o : observers_) o->OnLogRowsRemoving(0, count_ - 1);
  slots_.clear();
  next_ = 0;
  count_ = 0;
  for (LogListObserver* o : observers_) o->OnLogRowsRemoved();
}

void LogList::AddObserver(LogListObserver* observer) {
  AssertOwnerThread();
  observers_.push_back(observer);
}

void LogList::RemoveObserver(LogListObserver* observer) {
  AssertOwnerThread();
  std::erase(observers_, observer);
}

}  // namespace kelbrin::eventlog
