#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "lines/TDialUp.h"
#include "platform/dialup/DialUpPhonebook.h"

namespace kelbrin::lines {

// The fields of a line that the dial-up operations read and write, as references to the line's
// own fields.
struct DialLineFields {
  const std::string& EntryName;
  const std::string& UserName;
  const std::string& Password;
  std::string& IpAddress;
  std::uint32_t& AdptIndex;
};

// What the "Virtual Dial-up" line (TDailLine) does, over the dialer it owns: dial the phonebook
// entry with the line's account, take it down, tell whether the entry is connected. The line
// kind forwards its operations here with its fields.
class DialLine {
 public:
  using AdapterIndexOf = std::function<std::uint32_t(const std::string& address)>;
  using AddError = std::function<void(const std::string& line)>;

  // `adapterIndexOf` names the interface that holds an address (0 for none); `addError`
  // appends a line to the line's Errors.
  DialLine(platform::DialUpPhonebook phonebook, TDialUp::Post post, AdapterIndexOf adapterIndexOf,
           AddError addError);

  // 0, the code of a failed dial, or -1 when the entry is not in the phonebook or an error came
  // before the dial.
  int Connect(const DialLineFields& line);
  int Disconnect();
  // Whether a connection of the entry (exact name) is connected; takes its address.
  bool GetActive(const DialLineFields& line);
  static std::string Describe() { return "ClassName: TDailLine"; }
  static bool Authenticate() { return true; }

  TDialUp& Dialer() { return *dialer_; }
  // Makes a dial in progress end, so that the line's worker can be joined.
  void AbortDial() { dialer_->AbortDial(); }

  // "ErrorCode:" + code + "#9ErrorMessage:" + message, with a literal "#9".
  static std::string ErrorLine(int code, const std::string& message);

 private:
  const platform::DialUpPhonebook phonebook_;
  AdapterIndexOf adapterIndexOf_;
  std::unique_ptr<TDialUp> dialer_;
};

}  // namespace kelbrin::lines
