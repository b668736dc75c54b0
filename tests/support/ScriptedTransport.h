#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "protocol/Transport.h"

namespace kelbrin::test {

// The Pelmar client's transport in memory: each exchange is recorded and answered from a script
// (a reply text, or the empty string for a failed exchange), so a worker runs without any server
// process. Thread-safe: the workers call it, the test reads it.
class ScriptedTransport final : public protocol::Transport {
 public:
  struct Sent {
    std::string method, url, body;
    bool xmlMode = true;
    std::size_t replyCap = 0;
  };

  // Answers the next exchanges in order; once the script is used up, `fallback` answers.
  void Script(std::vector<std::string> replies) {
    std::lock_guard lock(mutex_);
    for (auto& reply : replies) script_.push_back(std::move(reply));
  }
  void SetFallback(std::string reply) {
    std::lock_guard lock(mutex_);
    fallback_ = std::move(reply);
  }

  std::string Exchange(const protocol::ExchangeRequest& request) override {
    std::lock_guard lock(mutex_);
    sent_.push_back({std::string(request.method), std::string(request.url),
                     std::string(request.body), request.xmlMode, request.replyCap});
    if (script_.empty()) return fallback_;
    std::string reply = std::move(script_.front());
    script_.pop_front();
    return reply;
  }

  std::vector<Sent> SentRequests() const {
    std::lock_guard lock(mutex_);
    return sent_;
  }
  // How many requests so far carried `text` in their body.
  int CountWith(const std::string& text) const {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const Sent& sent : sent_) count += sent.body.find(text) != std::string::npos ? 1 : 0;
    return count;
  }

 private:
  mutable std::mutex mutex_;
  std::deque<std::string> script_;
  std::string fallback_;
  std::vector<Sent> sent_;
};

}  // namespace kelbrin::test
