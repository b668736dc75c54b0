#pragma once

#include <QFont>

namespace kelbrin::gui {

// The face of the program's windows: "宋体" at 12 pixels where it exists, else a narrow Latin
// face with a CJK face for the rest, so that the columns sized for it still fit.
QFont ProgramFont();

}  // namespace kelbrin::gui
