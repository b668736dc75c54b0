#pragma once

#include <QString>
#include <chrono>
#include <functional>

namespace kelbrin::gui {

// Asks the desktop to open `target` (a web address or a "mailto:" link) with its default
// handler (xdg-open), without waiting. When xdg-open is missing, or ends with an error (no
// program takes the target), a "Tip" box says so. Main thread only.
void ShellOpen(const QString& target);

// `address` with "http://" in front when it has no scheme: the string table keeps the vendor's
// pages as host and path, and a browser needs a scheme.
QString WebAddress(const QString& address);

// What ShellOpen does; tests record the targets instead. Returns the handler it replaces.
using ShellOpenHandler = std::function<void(const QString& target)>;
ShellOpenHandler SetShellOpenHandler(ShellOpenHandler handler);

// The default handler. A web address may carry the account (the Advanced Service address does),
// and every local user can read a process's arguments: xdg-open gets the file address of a
// private forwarding page instead (platform/ForwardingPage.h), removed `pageLifetime` later or
// when the application ends. Other targets go to xdg-open as they are.
ShellOpenHandler XdgOpenHandler(std::chrono::milliseconds pageLifetime = std::chrono::minutes(1));

}  // namespace kelbrin::gui
