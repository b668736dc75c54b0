#include "lines/DialLine.h"

#include <algorithm>
#include <cctype>

namespace kelbrin::lines {
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

DialLine::DialLine(platform::DialUpPhonebook phonebook, TDialUp::Post post,
                   AdapterIndexOf adapterIndexOf, AddError addError)
    : phonebook_(phonebook),
      adapterIndexOf_(std::move(adapterIndexOf)),
      dialer_(std::make_unique<TDialUp>(phonebook, std::move(post))) {
  dialer_->Language = TLanguage::Czech;
  dialer_->DialMode = TDialMode::dmSync;
  dialer_->OnError = [addError = std::move(addError)](TDialUp&, int code,
                                                      const std::string& message) {
    if (addError) addError(ErrorLine(code, message));
  };
}

std::string DialLine::ErrorLine(int code, const std::string& message) {
  return "ErrorCode:" + std::to_string(code) + "#9ErrorMessage:" + message;
}

int DialLine::Connect(const DialLineFields& line) {
  int result = -1;
  try {
    dialer_->GetEntries();
    const auto& entries = dialer_->Entries();
    const auto entry = std::find_if(entries.begin(), entries.end(), [&line](const std::string& name) {
      return SameIgnoringCase(name, line.EntryName);
    });
    if (entry == entries.end()) return -1;
    // Entries are found by their exact name: dial the entry as the phonebook writes it.
    dialer_->Entry = *entry;
    dialer_->UserName = line.UserName;
    dialer_->UserPwd = line.Password;
    dialer_->StatsStartStop(true, true);
    result = dialer_->Dial();
    if (result == 0) {
      dialer_->GetConnectionAddresses(dialer_->ConnHandle());
      line.IpAddress = dialer_->ClientIP();
      line.AdptIndex = adapterIndexOf_(line.IpAddress);
    }
  } catch (...) {
    // A failure of the facility ends the attempt with what was reached; the worker retries.
  }
  return result;
}

int DialLine::Disconnect() { return dialer_->HangUp(); }

bool DialLine::GetActive(const DialLineFields& line) {
  if (line.EntryName.empty()) return false;
  const auto link = phonebook_.LinkOfEntry(line.EntryName);
  if (!link || !link->connected) return false;
  dialer_->GetConnectionAddresses(link->handle);
  line.IpAddress = dialer_->ClientIP();
  if (line.AdptIndex == 0) line.AdptIndex = adapterIndexOf_(line.IpAddress);
  return true;
}

}  // namespace kelbrin::lines
