#pragma once

#include <cstdint>
#include <memory>

#include "lines/DialLine.h"
#include "lines/TBaseLine.h"

namespace kelbrin::lines {

// What a "Virtual Dial-up" line needs from the composition root.
struct TDailLineSeams {
  platform::Pppd* pppd = nullptr;           // the machine's dial-up facility, outlives the line
  TDialUp::Post post;                       // to the controller's thread
  DialLine::AdapterIndexOf adapterIndexOf;  // address -> interface index, 0 for none
  // NetworkManager's dial-up connections, where the machine has them; outlives the line.
  const platform::NmDialUp* networkManager = nullptr;
};

// The line kind "Virtual Dial-up": a phonebook entry (a pppd peer or a NetworkManager dial-up
// connection) dialled with the line's account and kept up by the keep-alive worker. It owns its
// dialer (made by Initialize) and forwards to DialLine.
class TDailLine : public TBaseLine {
 public:
  TDailLine(const LineEnvironment& environment, TDailLineSeams seams);
  ~TDailLine() override;

  void Initialize() override;
  int Connect() override;
  int Disconnect() override;
  std::string GetIpAddress() override { return StoredIpAddress(); }
  bool GetActive() override;
  void SetActive(bool value) override;
  std::string Describe() override { return DialLine::Describe(); }
  bool Authenticate() override { return DialLine::Authenticate(); }
  bool KeepAliveActs() const override { return true; }
  // A dial the keep-alive worker has under way ends soon, so that the worker can be stopped.
  void Abandon() override;

 private:
  // Runs `operation` over the line's fields and stores the address and index it found.
  template <typename Operation>
  auto WithFields(Operation operation);

  TDailLineSeams seams_;
  std::unique_ptr<DialLine> dialer_;
};

}  // namespace kelbrin::lines
