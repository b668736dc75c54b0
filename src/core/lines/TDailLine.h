#pragma once

#include <cstdint>
#include <memory>

#include "lines/DialLine.h"
#include "lines/TBaseLine.h"

namespace kelbrin::lines {

// What a "Virtual Dial-up" line needs from the composition root.
struct TDailLineSeams {
  platform::Pppd* pppd = nullptr;          // the machine's dial-up facility, outlives the line
  TDialUp::Post post;                       // to the controller's thread
  DialLine::AdapterIndexOf adapterIndexOf;  // address -> interface index, 0 for none
};

// The line kind "Virtual Dial-up": a pppd peer dialled with the line's account and kept up by
// the keep-alive worker. It owns its dialer (made by Initialize) and forwards to DialLine.
class TDailLine : public TBaseLine {
 public:
  explicit TDailLine(TDailLineSeams seams) : seams_(std::move(seams)) {}
  ~TDailLine() override;

  void Initialize() override;
  int Connect() override;
  int Disconnect() override;
  std::string GetIpAddress() override { return IpAddress; }
  bool GetActive() override;
  void SetActive(bool value) override;
  std::string Describe() override { return DialLine::Describe(); }
  bool Authenticate() override { return DialLine::Authenticate(); }

  // Makes a dial in progress end; the owner calls it before it stops the keep-alive worker.
  void AbortDial();

 private:
  DialLineFields Fields() { return {EntryName, UserName, Password, IpAddress, AdptIndex}; }

  TDailLineSeams seams_;
  std::unique_ptr<DialLine> dialer_;
};

}  // namespace kelbrin::lines
