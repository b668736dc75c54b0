#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "protocol/TQueryUserProfileResp.h"

namespace kelbrin::protocol {

// The client's own version: sent with the login check and the fallback of the version query.
inline constexpr std::string_view kClientVersion = "6.0";

// The login check: sends the profile query ("QueryUserProfileReq") with the credentials as given
// to ServerUrl(). True when the service accepts them; the reply then becomes UserProfile().
// A missing reply reports code 1 and a refusal its own code through ResultCodeText; any other
// failure on the way gives false without a message.
bool UserLogin(const std::string& userName, const std::string& userPwd);

// The profile of the last successful login, or null before the first one. The snapshot never
// changes; a later login publishes a new one while readers keep the one they hold.
std::shared_ptr<const TQueryUserProfileResp> UserProfile();

// The newest client version the service knows, or kClientVersion when the service is down or
// refuses the query.
std::string QueryLatestVersion();

}  // namespace kelbrin::protocol
