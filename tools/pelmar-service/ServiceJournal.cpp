#include "ServiceJournal.h"

#include <time.h>

#include <chrono>
#include <cstdio>

namespace kelbrin::reference_service {
namespace {

// UTC time with milliseconds, e.g. 2026-12-10T04:30:00.123Z.
std::string Timestamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  tm utc{};
  gmtime_r(&seconds, &utc);
  char text[40];
  const std::size_t length = strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(millis));
  return text;
}

// A field of a log line: "-" when empty, blanks and control characters replaced so that a
// strange user name cannot split or forge a line.
std::string LogField(const std::string& text) {
  if (text.empty()) return "-";
  std::string field = text;
  for (char& c : field) {
    if (static_cast<unsigned char>(c) <= ' ') c = '_';
  }
  return field;
}

}  // namespace

void ServiceJournal::Record(const std::string& peer, RequestRecord record) {
  std::lock_guard lock(mutex_);
  log_ << Timestamp() << ' ' << LogField(peer) << ' ' << LogField(record.msgType) << ' '
       << LogField(record.user) << ' ' << LogField(record.outcome) << std::endl;
  requests_.push_back(std::move(record));
  if (requests_.size() > kMaxRequests) requests_.pop_front();
}

std::vector<RequestRecord> ServiceJournal::Requests() const {
  std::lock_guard lock(mutex_);
  return {requests_.begin(), requests_.end()};
}

void ServiceJournal::KeepReport(const std::string& msgType, std::string body) {
  std::lock_guard lock(mutex_);
  reports_[msgType] = std::move(body);
}

std::optional<std::string> ServiceJournal::Report(const std::string& msgType) const {
  std::lock_guard lock(mutex_);
  auto found = reports_.find(msgType);
  if (found == reports_.end()) return std::nullopt;
  return found->second;
}

void ServiceJournal::Clear() {
  std::lock_guard lock(mutex_);
  requests_.clear();
  reports_.clear();
}

}  // namespace kelbrin::reference_service
