#pragma once

#include <QString>
#include <functional>

namespace kelbrin::gui {

// Asks the desktop to open `target` (a web address or a "mailto:" link) with its default
// handler (xdg-open), without waiting. Reports nothing when it cannot. Main thread only.
void ShellOpen(const QString& target);

// What ShellOpen does; tests record the targets instead. Returns the handler it replaces.
using ShellOpenHandler = std::function<void(const QString& target)>;
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);

}  // namespace kelbrin::gui
