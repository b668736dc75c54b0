#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

#include "reminders/LatestVersionQuery.h"
#include "runtime/CoreEventLoop.h"
#include "runtime/ManualClock.h"

namespace kelbrin::reminders {
namespace {

class LatestVersionQueryTest : public ::testing::Test {
 protected:
  runtime::ManualClock clock;
  runtime::CoreEventLoop loop{clock};
};

// The query runs on its own thread, so the loop goes on meanwhile; the answer comes back on the
// loop's thread.
TEST_F(LatestVersionQueryTest, AnswerArrivesOnTheLoopThread) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::thread::id queriedOn;
  LatestVersionQuery query(loop, [&] {
    queriedOn = std::this_thread::get_id();
    released.wait();
    return std::string("6.1");
  });
  std::optional<std::string> answer;
  bool answeredOnLoop = false;
  query([&](const std::string& version) {
    answer = version;
    answeredOnLoop = loop.IsLoopThread();
  });
  loop.ProcessPending();
  EXPECT_FALSE(answer);  // the loop did not wait for the service
  release.set_value();
  ASSERT_TRUE(loop.RunUntil([&] { return answer.has_value(); }));
  EXPECT_EQ(*answer, "6.1");
  EXPECT_TRUE(answeredOnLoop);
  EXPECT_NE(queriedOn, std::this_thread::get_id());
}

TEST_F(LatestVersionQueryTest, FailedQueryAnswersTheClientVersion) {
  LatestVersionQuery query(loop, []() -> std::string { throw std::runtime_error("no reply"); });
  std::optional<std::string> answer;
  query([&](const std::string& version) { answer = version; });
  ASSERT_TRUE(loop.RunUntil([&] { return answer.has_value(); }));
  EXPECT_EQ(*answer, "6.0");
}

TEST_F(LatestVersionQueryTest, AskedOnceEvenWhenCalledAgain) {
  int queries = 0;
  std::optional<std::string> answer;
  {
    LatestVersionQuery query(loop, [&] {
      ++queries;
      return std::string("6.0");
    });
    query([&](const std::string& version) { answer = version; });
    query([&](const std::string&) { ADD_FAILURE() << "second answer"; });
    ASSERT_TRUE(loop.RunUntil([&] { return answer.has_value(); }));
  }
  EXPECT_EQ(queries, 1);
}

// The owner goes away while the query runs: the destructor waits for the thread, and the answer
// that reaches the loop afterwards is dropped.
TEST_F(LatestVersionQueryTest, AnswerAfterDestructionIsDropped) {
  std::promise<void> started;
  std::promise<void> release;
  bool answered = false;
  std::thread destroyer;
  {
    auto query = std::make_unique<LatestVersionQuery>(loop, [&] {
      started.set_value();
      release.get_future().wait();
      return std::string("6.1");
    });
    (*query)([&](const std::string&) { answered = true; });
    started.get_future().wait();
    destroyer = std::thread([&release] { release.set_value(); });
    query.reset();  // joins once the query returns
  }
  destroyer.join();
  loop.ProcessPending();
  EXPECT_FALSE(answered);
}

}  // namespace
}  // namespace kelbrin::reminders
