#pragma once

#include <QString>
#include <string_view>

#include "runtime/Translate.h"

namespace kelbrin::gui {

// The text a person reads for the program's English `english`, as the window shows it.
inline QString UiText(std::string_view english) {
  return QString::fromStdString(runtime::Translate(english));
}

}  // namespace kelbrin::gui
