#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "eventlog/LogList.h"

namespace kelbrin::eventlog {
namespace {

// Writes every notification down, in order.
class RecordingObserver : public LogListObserver {
 public:
  std::vector<std::string> calls;

  void OnLogRowsRemoving(std::size_t first, std::size_t last) override {
    calls.push_back("removing " + std::to_string(first) + ".." + std::to_string(last));
  }
  void OnLogRowsRemoved() override { calls.push_back("removed"); }
  void OnLogRowInserting() override { calls.push_back("inserting"); }
  void OnLogRowInserted(const TLogRec& entry) override {
    calls.push_back("inserted " + entry.text);
  }
};

void AddNumbered(LogList& list, int from, int to) {
  for (int i = from; i < to; ++i) list.Insert(TLogRec{kLogTip, "entry " + std::to_string(i), {}});
}

TEST(LogList, NewestFirstBelowCapacity) {
  LogList list;
  RecordingObserver observer;
  list.AddObserver(&observer);
  AddNumbered(list, 0, 3);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.at(0).text, "entry 2");
  EXPECT_EQ(list.at(2).text, "entry 0");
  EXPECT_THROW(list.at(3), std::out_of_range);
  EXPECT_EQ(observer.calls,
            (std::vector<std::string>{"inserting", "inserted entry 0", "inserting",
                                      "inserted entry 1", "inserting", "inserted entry 2"}));
}

TEST(LogList, EntryAfterTheThousandthPushesOutTheOldest) {
  LogList list;
  AddNumbered(list, 0, 1000);
  ASSERT_EQ(list.size(), 1000u);
  EXPECT_EQ(list.at(999).text, "entry 0");

  RecordingObserver observer;
  list.AddObserver(&observer);
  AddNumbered(list, 1000, 1001);
  EXPECT_EQ(list.size(), 1000u);
  EXPECT_EQ(list.at(0).text, "entry 1000");
  EXPECT_EQ(list.at(999).text, "entry 1");
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"removing 999..999", "removed", "inserting",
                                                      "inserted entry 1000"}));
}

TEST(LogList, OrderHoldsAfterTheRingWrapsSeveralTimes) {
  LogList list;
  AddNumbered(list, 0, 2537);
  ASSERT_EQ(list.size(), 1000u);
  for (std::size_t row = 0; row < list.size(); ++row) {
    ASSERT_EQ(list.at(row).text, "entry " + std::to_string(2536 - row)) << "row " << row;
  }
}

TEST(LogList, ClearEmptiesAndStartsOver) {
  LogList list;
  AddNumbered(list, 0, 1500);
  RecordingObserver observer;
  list.AddObserver(&observer);
  list.Clear();
  EXPECT_TRUE(list.empty());
  list.Clear();  // nothing left to announce
  AddNumbered(list, 0, 2);
  EXPECT_EQ(list.at(0).text, "entry 1");
  EXPECT_EQ(list.at(1).text, "entry 0");
  EXPECT_EQ(observer.calls,
            (std::vector<std::string>{"removing 0..999", "removed", "inserting", "inserted entry 0",
                                      "inserting", "inserted entry 1"}));
}

TEST(LogList, RemovedObserverHearsNothing) {
  LogList list;
  RecordingObserver observer;
  list.AddObserver(&observer);
  list.RemoveObserver(&observer);
  AddNumbered(list, 0, 1);
  EXPECT_TRUE(observer.calls.empty());
}

TEST(LogList, UseFromAnotherThreadIsRefusedAndChangesNothing) {
  LogList list;
  RecordingObserver observer;
  list.AddObserver(&observer);
  AddNumbered(list, 0, 1);
  observer.calls.clear();
  LogListObserver* other = &observer;
  std::thread([&] {
    EXPECT_THROW(list.Insert(TLogRec{kLogTip, "stray", {}}), std::logic_error);
    EXPECT_THROW(list.Clear(), std::logic_error);
    EXPECT_THROW(list.size(), std::logic_error);
    EXPECT_THROW(list.at(0), std::logic_error);
    EXPECT_THROW(list.AddObserver(other), std::logic_error);
    EXPECT_THROW(list.RemoveObserver(other), std::logic_error);
  }).join();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.at(0).text, "entry 0");
  EXPECT_TRUE(observer.calls.empty());
  // The observer is still registered exactly once.
  AddNumbered(list, 1, 2);
  EXPECT_EQ(observer.calls, (std::vector<std::string>{"inserting", "inserted entry 1"}));
}

}  // namespace
}  // namespace kelbrin::eventlog
