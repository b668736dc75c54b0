#include "lines/TDailLine.h"

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

TDailLine::TDailLine(const LineEnvironment& environment, TDailLineSeams seams)
    : TBaseLine(environment), seams_(std::move(seams)) {}

TDailLine::~TDailLine() {
  // The worker may be inside a dial: make it return and stop it before the dialer goes.
  Abandon();
  StopKeeper();
  try {
    dialer_.reset();
  } catch (...) {
    // Freeing the dialer must not stop the line's destruction.
  }
}

// The dialer is made before the base starts the worker, which reads it from then on.
void TDailLine::Initialize() {
  if (!dialer_) {
    dialer_ = std::make_unique<TDialUp>(seams_.phonebook, seams_.post);
    dialer_->Language = TLanguage::Czech;
    dialer_->DialMode = TDialMode::dmSync;
    dialer_->OnError = [this](TDialUp&, int code, const std::string& message) {
      AddError(ErrorLine(code, message));
    };
  }
  TBaseLine::Initialize();
}

std::string TDailLine::ErrorLine(int code, const std::string& message) {
  return "ErrorCode:" + std::to_string(code) + "#9ErrorMessage:" + message;
}

std::optional<std::string> TDailLine::PhonebookName(const std::vector<std::string>& entries) const {
  const std::string& name = EntryName();
  if (name.empty()) return std::nullopt;
  if (std::find(entries.begin(), entries.end(), name) != entries.end()) return name;
  const auto entry =
      std::find_if(entries.begin(), entries.end(),
                   [&name](const std::string& other) { return SameIgnoringCase(other, name); });
  if (entry == entries.end()) return std::nullopt;
  return *entry;
}

int TDailLine::Connect() {
  if (!dialer_) return -1;
  int result = -1;
  try {
    dialer_->GetEntries();
    const auto entry = PhonebookName(dialer_->Entries());
    if (!entry) return -1;
    // Links are found by the entry's exact name: dial the entry as the phonebook writes it.
    dialer_->Entry = *entry;
    dialer_->UserName = UserName();
    dialer_->UserPwd = Password();
    dialer_->StatsStartStop(true, true);
    result = dialer_->Dial();
    if (result == 0) {
      dialer_->GetConnectionAddresses(dialer_->ConnHandle());
      SetIpAddress(dialer_->ClientIP());
      SetAdptIndex(seams_.adapterIndexOf(dialer_->ClientIP()));
    }
  } catch (...) {
    // A failure of the facility ends the attempt with what was reached; the worker retries.
  }
  return result;
}

int TDailLine::Disconnect() { return dialer_ ? dialer_->HangUp() : -1; }

bool TDailLine::GetActive() {
  if (!dialer_ || EntryName().empty()) return false;
  std::vector<std::string> entries;
  seams_.phonebook.Entries(entries);
  // A name stored in another letter case means the phonebook's entry; an entry gone from the
  // phonebook may still have its link up under the stored name.
  const auto link = seams_.phonebook.LinkOfEntry(PhonebookName(entries).value_or(EntryName()));
  if (!link || !link->connected) return false;
  dialer_->GetConnectionAddresses(link->handle);
  SetIpAddress(dialer_->ClientIP());
  if (AdptIndex() == 0) SetAdptIndex(seams_.adapterIndexOf(dialer_->ClientIP()));
  return true;
}

void TDailLine::SetActive(bool value) {
  if (value) {
    SetLastBringUp(Connect());
  } else {
    Disconnect();
  }
}

void TDailLine::Abandon() {
  if (dialer_) dialer_->AbortDial();
}

}  // namespace kelbrin::lines
