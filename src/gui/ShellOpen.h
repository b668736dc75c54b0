#pragma once

#include <QString>
#include <functional>

namespace kelbrin::gui {

// Asks the desktop to open `target` (a web address or a "mailto:" link) with its default
// handler (xdg-open), without waiting. Reports nothing when it cannot. Main thread only.
void ShellOpen(const QString& target);

// `address` with "http://" in front when it has no scheme: the string table keeps the vendor's
// pages as host and path, and a browser needs a scheme.
QString WebAddress(const QString& address);

// What ShellOpen does; tests record the targets instead. Returns the handler it replaces.
using ShellOpenHandler = std::function<void(const QString& target)>;
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);

}  // namespace kelbrin::gui
