#pragma once

#include <optional>
#include <string>

namespace kelbrin::session {

// The rule the window's boxes keep, for anyone who sets all three at once: the service and the
// desktop's autostart are never both chosen, and either needs the password saved (nobody types
// it at an unattended start). The English text of what is wrong, or none.
std::optional<std::string> SettingsChoiceError(bool savePassword, bool startWithDesktop,
                                               bool runAsService);

}  // namespace kelbrin::session
