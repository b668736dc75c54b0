#include "lines/TActiveLine.h"

#include "lines/LineAssertion.h"

namespace kelbrin::lines {

void TActiveLine::FreeLine() {
  if (line_ && dispose_) dispose_(std::move(line_));
  line_.reset();
}

void TActiveLine::StartLine(int lineType, const std::string& entryName, const std::string& password,
                            const std::string& userName) {
  Start(lineType, entryName, password, userName, true);
}

void TActiveLine::Start(int lineType, const std::string& entryName, const std::string& password,
                        const std::string& userName, bool keepActive) {
  lineType_ = lineType;
  entryName_ = entryName;
  password_ = password;
  userName_ = userName;
  line_ = factory_.CreateLine(lineType);
  if (!line_) throw LineAssertion("KeepLineActive", "no line of type " + std::to_string(lineType));
  // The values are in place before the keep-alive is on: the worker never sees them half-set.
  line_->SetEntryName(entryName);
  line_->SetUserName(userName);
  line_->SetPassword(password);
  line_->SetKeepActive(keepActive);
  keepActive_ = keepActive;
  line_->Authenticate();
}

void TActiveLine::Apply(int lineType, const std::string& entryName, const std::string& password,
                        const std::string& userName) {
  if (lineType == lineType_ && entryName == entryName_ && userName == userName_ &&
      password == password_) {
    return;
  }
  FreeLine();
  // The new values do not turn on a keep-alive the user turned off.
  Start(lineType, entryName, password, userName, keepActive_);
}

void TActiveLine::SetKeepActive(bool value) {
  if (value == keepActive_) return;
  keepActive_ = value;
  if (line_) line_->SetKeepActive(value);
}

bool TActiveLine::Authenticate() {
  if (!line_) return false;
  try {
    return line_->Authenticate();
  } catch (...) {
    return false;
  }
}

}  // namespace kelbrin::lines
