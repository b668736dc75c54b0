#pragma once

#include <memory>
#include <vector>

#include "lines/TAuthTrd.h"
#include "lines/TBaseLine.h"

namespace kelbrin::lines {

// A network behind a captive web portal: up when its connection has an adapter; its login step
// posts the portal's form (one TAuthTrd per attempt).
class TCNCLine : public TBaseLine {
 public:
  using TBaseLine::TBaseLine;
  ~TCNCLine() override;

  int Connect() override { return 0; }
  int Disconnect() override { return 0; }
  std::string GetIpAddress() override { return StoredIpAddress(); }
  bool GetActive() override;
  void SetActive(bool value) override;
  std::string Describe() override { return "ClassName: TCNCLine"; }
  bool Authenticate() override;
  bool KeepAliveActs() const override { return false; }

 private:
  std::uint32_t FindAdapter();

  // Login attempts still owned by the line; finished ones are dropped at the next attempt.
  std::vector<std::unique_ptr<TAuthTrd>> logins_;
};

}  // namespace kelbrin::lines
