#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "lines/NetHelpers.h"
#include "platform/files/CodePage.h"

namespace kelbrin::lines {

// The portal's login form as the page writes it: from the first "<form" to the first "</form>"
// after it, both included (tags found ignoring letter case). Nothing when there is no such form.
std::optional<std::string> ExtractForm(std::string_view page);

// Host, port and path of the form's action (the attribute of the opening form tag). Nothing when
// the tag has no action or the action names no host: there is then nowhere to post.
std::optional<UrlParts> ParseFormAction(std::string_view form);

// The body that posts the form: "name=value" for every named <input> element in form order,
// joined by "&". The inputs "uid", "upwd" and "uact_status" (any letter case) carry the user name,
// the password and "1"; every other input its own value as written. Every value is form-encoded
// in `codePage`.
std::string BuildFormData(std::string_view form, std::string_view userName,
                          std::string_view password, const platform::CodePage& codePage);

}  // namespace kelbrin::lines
