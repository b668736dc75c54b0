#include "lines/TBaseLine.h"

#include "lines/TLineKeepTrd.h"

namespace kelbrin::lines {

TBaseLine::TBaseLine(const LineEnvironment& environment) : environment_(environment) {}

// The deleter has stopped the worker already; this is the last guard for a line freed otherwise.
TBaseLine::~TBaseLine() { StopKeeper(); }

void TBaseLine::Initialize() {
  StopKeeper();
  adptIndex_.store(0);
  {
    std::lock_guard guard(mutex_);
    errors_.clear();
  }
  keepActive_.store(false);
  keeper_ = std::make_unique<TLineKeepTrd>(*this, *environment_.clock, environment_.keepInterval,
                                           environment_.lineNews);
}

void TBaseLine::StopKeeper() {
  if (keeper_) keeper_->Stop();
}

void TBaseLine::SetKeepActive(bool value) {
  keepActive_.store(value);
  if (keeper_) keeper_->Notify();
}

void TBaseLine::LinkChanged() {
  if (keeper_) keeper_->LinkChanged();
}

std::vector<std::string> TBaseLine::Errors() const {
  std::lock_guard guard(mutex_);
  return errors_;
}

std::string TBaseLine::StoredIpAddress() const {
  std::lock_guard guard(mutex_);
  return ipAddress_;
}

void TBaseLine::SetIpAddress(std::string value) {
  std::lock_guard guard(mutex_);
  ipAddress_ = std::move(value);
}

void TBaseLine::AddError(std::string text) {
  std::lock_guard guard(mutex_);
  errors_.push_back(std::move(text));
}

void LineDeleter::operator()(TBaseLine* line) const {
  if (line == nullptr) return;
  line->Abandon();
  line->StopKeeper();
  delete line;
}

}  // namespace kelbrin::lines
