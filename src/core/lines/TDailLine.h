#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lines/TBaseLine.h"
#include "lines/TDialUp.h"
#include "platform/dialup/DialUpPhonebook.h"

namespace kelbrin::lines {

// What a "Virtual Dial-up" line needs from the composition root.
struct TDailLineSeams {
  using AdapterIndexOf = std::function<std::uint32_t(const std::string& address)>;

  // The machine's dial-up facilities; they outlive the line.
  platform::DialUpPhonebook phonebook{{}};
  TDialUp::Post post;             // to the controller's thread
  AdapterIndexOf adapterIndexOf;  // address -> interface index, 0 for none
};

// The line kind "Virtual Dial-up": a phonebook entry (a pppd peer or a NetworkManager dial-up
// connection) dialled with the line's account and kept up by the keep-alive worker. It owns its
// dialer (made by Initialize, synchronous, Czech texts).
class TDailLine : public TBaseLine {
 public:
  TDailLine(const LineEnvironment& environment, TDailLineSeams seams);
  ~TDailLine() override;

  void Initialize() override;
  // 0, the code of a failed dial, or -1 when the entry is not in the phonebook or an error came
  // before the dial. The line's entry name is matched ignoring letter case (an exact match
  // first), and the link is dialled and found under the phonebook's spelling.
  int Connect() override;
  int Disconnect() override;
  std::string GetIpAddress() override { return StoredIpAddress(); }
  // Whether a connection of the entry (the phonebook's spelling) is connected; takes its
  // address.
  bool GetActive() override;
  void SetActive(bool value) override;
  std::string Describe() override { return "ClassName: TDailLine"; }
  bool Authenticate() override { return true; }
  bool KeepAliveActs() const override { return true; }
  // A dial the keep-alive worker has under way ends soon, so that the worker can be stopped.
  void Abandon() override;

  // The line's dialer; valid after Initialize.
  TDialUp& Dialer() { return *dialer_; }

  // "ErrorCode:" + code + "#9ErrorMessage:" + message, with a literal "#9".
  static std::string ErrorLine(int code, const std::string& message);

 private:
  // The phonebook's spelling of the line's entry among `entries`; nullopt when none matches.
  std::optional<std::string> PhonebookName(const std::vector<std::string>& entries) const;

  TDailLineSeams seams_;
  std::unique_ptr<TDialUp> dialer_;
};

}  // namespace kelbrin::lines
