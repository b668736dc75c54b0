#include "lines/TDailLine.h"

namespace kelbrin::lines {

TDailLine::~TDailLine() {
  // The keep-alive worker may be inside a dial: make it return, so that it can be stopped
  // before the dialer goes.
  AbortDial();
  try {
    dialer_.reset();
  } catch (...) {
    // Freeing the dialer must not stop the line's destruction.
  }
}

void TDailLine::Initialize() {
  TBaseLine::Initialize();
  if (!dialer_) {
    dialer_ = std::make_unique<DialLine>(*seams_.pppd, seams_.post, seams_.adapterIndexOf,
                                         [this](const std::string& line) {
                                           Errors.push_back(line);
                                         });
  }
}

int TDailLine::Connect() { return dialer_ ? dialer_->Connect(Fields()) : -1; }

int TDailLine::Disconnect() { return dialer_ ? dialer_->Disconnect() : -1; }

bool TDailLine::GetActive() { return dialer_ && dialer_->GetActive(Fields()); }

void TDailLine::SetActive(bool value) {
  if (value) {
    Connect();
  } else {
    Disconnect();
  }
}

void TDailLine::AbortDial() {
  if (dialer_) dialer_->AbortDial();
}

}  // namespace kelbrin::lines
