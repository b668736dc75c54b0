#pragma once

// A minimal line base for building TDailLine before the line model exists on this branch: the
// described fields and operations, without the keep-alive worker. Only the dial-up tests use it.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace kelbrin::lines {

class TBaseLine {
 public:
  virtual ~TBaseLine() = default;

  virtual void Initialize() {
    AdptIndex = 0;
    Errors.clear();
    KeepActive = false;
  }
  virtual int Connect() = 0;
  virtual int Disconnect() = 0;
  virtual std::string GetIpAddress() = 0;
  virtual bool GetActive() = 0;
  virtual void SetActive(bool value) = 0;
  virtual std::string Describe() = 0;
  virtual bool Authenticate() = 0;

  std::string UserName;
  std::string Password;
  std::string EntryName;
  std::string IpAddress;
  std::atomic<bool> KeepActive{false};
  std::vector<std::string> Errors;
  std::uint32_t AdptIndex = 0;
};

}  // namespace kelbrin::lines
