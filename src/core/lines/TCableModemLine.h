#pragma once

#include "lines/TBaseLine.h"

namespace kelbrin::lines {

// A cable modem: the client never brings it up; it reports itself down, and bringing it up does
// nothing.
class TCableModemLine : public TBaseLine {
 public:
  using TBaseLine::TBaseLine;

  int Connect() override { return 0; }
  int Disconnect() override { return 0; }
  std::string GetIpAddress() override { return {}; }
  bool GetActive() override { return false; }
  void SetActive(bool) override {}
  std::string Describe() override { return "ClassName: TCableModelLine"; }
  bool Authenticate() override { return true; }
  bool KeepAliveActs() const override { return false; }
};

}  // namespace kelbrin::lines
