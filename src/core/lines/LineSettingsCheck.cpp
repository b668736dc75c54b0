#include "lines/LineSettingsCheck.h"

#include <algorithm>

#include "lines/TLineFactory.h"

namespace kelbrin::lines {
namespace {

constexpr std::size_t kMaxUserName = 25;
constexpr std::size_t kMaxPassword = 15;

bool IsBlank(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

// Characters, not bytes: the page's fields count what the user typed.
std::size_t CharacterCount(const std::string& utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

}  // namespace

LineSettingsProblem CheckLineSettings(int lineType, const std::string& userName,
                                      const std::string& password) {
  if (lineType < 0 || lineType >= static_cast<int>(LineTypeTable().size())) {
    return LineSettingsProblem::UnknownLineType;
  }
  if (TLineFactory::NeedsCredentials(lineType) && (IsBlank(userName) || IsBlank(password))) {
    return LineSettingsProblem::MissingCredentials;
  }
  if (CharacterCount(userName) > kMaxUserName || CharacterCount(password) > kMaxPassword) {
    return LineSettingsProblem::TooLong;
  }
  return LineSettingsProblem::None;
}

}  // namespace kelbrin::lines
