#include "lines/TDailLine.h"

#include <stdexcept>

namespace kelbrin::lines {

TDailLine::TDailLine(const LineEnvironment& environment, TDailLineSeams seams)
    : TBaseLine(environment), seams_(std::move(seams)) {
  if (seams_.pppd == nullptr) throw std::invalid_argument("TDailLine: no dial-up facility");
}

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
    dialer_ = std::make_unique<DialLine>(
        platform::DialUpPhonebook(*seams_.pppd, seams_.networkManager), seams_.post,
        seams_.adapterIndexOf, [this](const std::string& line) { AddError(line); });
  }
  TBaseLine::Initialize();
}

template <typename Operation>
auto TDailLine::WithFields(Operation operation) {
  std::string ipAddress = StoredIpAddress();
  std::uint32_t adptIndex = AdptIndex();
  const auto result =
      operation(DialLineFields{EntryName(), UserName(), Password(), ipAddress, adptIndex});
  SetIpAddress(std::move(ipAddress));
  SetAdptIndex(adptIndex);
  return result;
}

int TDailLine::Connect() {
  if (!dialer_) return -1;
  return WithFields([this](const DialLineFields& fields) { return dialer_->Connect(fields); });
}

int TDailLine::Disconnect() { return dialer_ ? dialer_->Disconnect() : -1; }

bool TDailLine::GetActive() {
  if (!dialer_) return false;
  return WithFields([this](const DialLineFields& fields) { return dialer_->GetActive(fields); });
}

void TDailLine::SetActive(bool value) {
  if (value) {
    Connect();
  } else {
    Disconnect();
  }
}

void TDailLine::Abandon() {
  if (dialer_) dialer_->AbortDial();
}

}  // namespace kelbrin::lines
