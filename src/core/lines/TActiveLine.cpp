#include "lines/TActiveLine.h"

#include "lines/LineAssertion.h"

namespace kelbrin::lines {

void TActiveLine::StartLine(int lineType, const std::string& entryName, const std::string& password,
                            const std::string& userName) {
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
  line_->SetKeepActive(true);
  keepActive_ = true;
  line_->Authenticate();
}

void TActiveLine::Apply(int lineType, const std::string& entryName, const std::string& password,
                        const std::string& userName) {
  if (lineType == lineType_ && entryName == entryName_ && userName == userName_ &&
      password == password_) {
    return;
  }
  FreeLine();
  StartLine(lineType, entryName, password, userName);
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
