#include "reminders/LatestVersionQuery.h"

#include <exception>

#include "protocol/PelmarClient.h"

namespace kelbrin::reminders {

LatestVersionQuery::LatestVersionQuery(runtime::EventLoop& loop, std::function<std::string()> query)
    : loop_(loop), query_(std::move(query)) {}

LatestVersionQuery::~LatestVersionQuery() {
  alive_.reset();
  if (thread_.joinable()) thread_.join();
}

void LatestVersionQuery::operator()(std::function<void(const std::string& version)> done) {
  if (thread_.joinable()) return;
  std::weak_ptr<int> alive = alive_;
  thread_ = std::thread([this, alive, done = std::move(done)] {
    std::string version;
    try {
      version = query_();
    } catch (const std::exception&) {
      // A failed query counts as the client's own version: no update reminder.
      version = std::string(protocol::kClientVersion);
    }
    loop_.Post([alive, done, version] {
      if (!alive.expired()) done(version);
    });
  });
}

}  // namespace kelbrin::reminders
