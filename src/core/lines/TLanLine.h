#pragma once

#include "lines/TBaseLine.h"

namespace kelbrin::lines {

// A plain LAN: always up, never brought up or down.
class TLanLine : public TBaseLine {
 public:
  using TBaseLine::TBaseLine;

  int Connect() override { return 0; }
  int Disconnect() override { return 0; }
  std::string GetIpAddress() override { return StoredIpAddress(); }
  bool GetActive() override;
  void SetActive(bool) override {}
  std::string Describe() override { return "ClassName: TLanLine"; }
  bool Authenticate() override { return true; }
  bool KeepAliveActs() const override { return false; }
};

}  // namespace kelbrin::lines
