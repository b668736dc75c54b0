#pragma once

#include <functional>
#include <string>

#include "protocol/ResultCodes.h"

namespace kelbrin::client {

// Where the result-code reactions go: code 1 (no reply) to the held network line, which may have
// to log in to its portal again; every other code to the session, which shows the error and
// logs out. The composition root sets both before any exchange can happen.
class ResultRouter final : public protocol::ResultReactions {
 public:
  std::function<void()> onConnectionFailure;
  std::function<void(const std::string& text)> onRefusal;

  void AuthenticateLine() override {
    if (onConnectionFailure) onConnectionFailure();
  }
  void ShowLastError(const std::string& text) override {
    if (onRefusal) onRefusal(text);
  }
};

}  // namespace kelbrin::client
