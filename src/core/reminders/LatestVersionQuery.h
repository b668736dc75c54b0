#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "runtime/EventLoop.h"

namespace kelbrin::reminders {

// The version check's one query of the run, off the loop's thread: `query` (a blocking exchange
// with the service, e.g. protocol::PelmarClient::QueryLatestVersion) runs on a thread of its own,
// and its answer is handed to the loop's thread. Fits ReminderSources::QueryLatestVersion. The
// destructor joins; an answer that reaches the loop after it is dropped.
class LatestVersionQuery {
 public:
  LatestVersionQuery(runtime::EventLoop& loop, std::function<std::string()> query);
  ~LatestVersionQuery();
  LatestVersionQuery(const LatestVersionQuery&) = delete;
  LatestVersionQuery& operator=(const LatestVersionQuery&) = delete;

  // Loop thread. Starts the query; `done` later runs on the loop's thread with its answer. A
  // second call while the first query still runs is ignored.
  void operator()(std::function<void(const std::string& version)> done);

 private:
  runtime::EventLoop& loop_;
  std::function<std::string()> query_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::thread thread_;
};

}  // namespace kelbrin::reminders
