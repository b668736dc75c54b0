#include "protocol/Login.h"

#include <mutex>

#include "protocol/ResultCodes.h"
#include "protocol/TGetVersionResp.h"
#include "protocol/TUserAuthReq.h"
#include "protocol/Transport.h"
#include "protocol/Utilities.h"

namespace kelbrin::protocol {

namespace {

// Sent as written, without the document model.
constexpr std::string_view kGetVersionRequest =
    "<?xml version=\"1.0\" ?><PelmarPacket><MsgType>GetVersionReq</MsgType>"
    "<Version>1.0</Version></PelmarPacket>";

std::mutex userProfileMutex;
std::shared_ptr<const TQueryUserProfileResp> userProfile;

void PublishUserProfile(std::shared_ptr<const TQueryUserProfileResp> profile) {
  std::lock_guard lock(userProfileMutex);
  userProfile = std::move(profile);
}

}  // namespace

bool UserLogin(const std::string& userName, const std::string& userPwd) {
  try {
    TUserAuthReq request;
    request.MsgType = "QueryUserProfileReq";
    request.UserName = userName;
    request.UserPwd = userPwd;
    request.ClientVersion = kClientVersion;
    const std::string reply = PostXmlRequest("POST", ServerUrl(), request.ToXml(), true);
    if (reply.empty()) {
      ResultCodeText(1);
      return false;
    }
    auto profile = std::make_shared<TQueryUserProfileResp>();
    profile->ParseXml(reply);
    if (profile->Result != "0") {
      ResultCodeText(IntOrDefault(profile->Result, 1));
      return false;
    }
    PublishUserProfile(std::move(profile));
    return true;
  } catch (...) {  // a failed login, without a message
    return false;
  }
}

std::shared_ptr<const TQueryUserProfileResp> UserProfile() {
  std::lock_guard lock(userProfileMutex);
  return userProfile;
}

std::string QueryLatestVersion() {
  try {
    const std::string reply = PostXmlRequest("POST", ServerUrl(), kGetVersionRequest, true);
    TGetVersionResp version;
    if (!reply.empty() && version.ParseXml(reply) && version.Result == "0") {
      return version.VersionInfo;
    }
  } catch (...) {  // no answer to use: the own version raises no update notice
  }
  return std::string(kClientVersion);
}

}  // namespace kelbrin::protocol
