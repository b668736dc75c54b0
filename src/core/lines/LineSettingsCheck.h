#pragma once

#include <string>

#include "runtime/Translate.h"

namespace kelbrin::lines {

// The checks of the network page's Save, for every way line settings are stored.
enum class LineSettingsProblem {
  None,
  UnknownLineType,     // not a row of the line-type table
  MissingCredentials,  // the kind needs a user name and a password, one is blank
  TooLong,             // longer than the page's fields take (25 and 15 characters)
};

LineSettingsProblem CheckLineSettings(int lineType, const std::string& userName,
                                      const std::string& password);

// The page's message for missing credentials.
inline constexpr const char* kMissingCredentialsText =
    runtime::Translatable("Please input user and password！");

}  // namespace kelbrin::lines
