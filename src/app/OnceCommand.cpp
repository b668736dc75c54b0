#include "app/OnceCommand.h"

#include <cstdio>
#include <exception>
#include <string_view>

#include "protocol/Login.h"
#include "protocol/ResultCodes.h"
#include "protocol/TActiveTestResp.h"
#include "protocol/TBaseReq.h"
#include "protocol/TGetServiceListResp.h"
#include "protocol/Transport.h"
#include "protocol/Utilities.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {

namespace {

using protocol::LastErrorText;
using protocol::LastResultCode;

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Code 1 is the connection failure; every other code is the service's refusal.
int exitForLastResult() { return LastResultCode() == 1 ? kExitUnreachable : kExitRefused; }

// One request of the general kind; the empty string when the service was not reached.
std::string exchange(std::string_view msgType, const std::string& user,
                     const std::string& password) {
  protocol::TBaseReq request;
  request.MsgType = msgType;
  request.Version = "1.0";
  request.UserName = user;
  request.UserPwd = password;
  return protocol::PostXmlRequest("POST", protocol::ServerUrl(), request.ToXml(), true);
}

// A reply with a Result other than "0": records its code and returns the exit status.
int refused(const std::string& result, std::ostream& err) {
  protocol::ResultCodeText(protocol::IntOrDefault(result, 1));
  err << LastErrorText() << '\n';
  return exitForLastResult();
}

std::string deadlineText(const std::string& serviceEndDate) {
  const auto date = protocol::DateFromYmd(serviceEndDate);
  if (static_cast<int>(date.year()) >= 2020) return "Glory lifetime user";
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  return text;
}

void printAccount(const protocol::TUserProfileSchema& profile, std::ostream& out) {
  out << "User ID: " << profile.UserID << '\n'
      << "State: " << (profile.PayType == "2" ? "Service stop" : "Normal") << '\n'
      << "User Type: " << protocol::TUserProfileSchema::PayTypeName(profile.PayType) << '\n';
  try {
    out << "The Service Deadline: " << deadlineText(profile.ServiceEndDate) << '\n';
  } catch (const std::exception&) {
    out << "The Service Deadline: " << profile.ServiceEndDate << '\n';
  }
}

void printDomains(const protocol::TGetServiceListResp& list, std::ostream& out) {
  out << "Total: " << list.DomainInfos.size() << " domain names.\n";
  if (list.DomainInfos.empty()) out << "Please register first！\n";
  for (const auto& domain : list.DomainInfos) {
    out << "  " << domain.DomainName << domain.SuffixName << "  The Service is valid from"
        << domain.StartDate << "to" << domain.EndDate << '\n';
    for (const auto& record : domain.ResourceInfos) {
      out << "    " << record.TypeLabel() << record.KeyName << "，DNS Data：" << record.KeyValue
          << '\n';
    }
  }
}

void saveCredentials(const std::string& user, const std::string& password) {
  settings::TPubUtil::WriteRegString("UserName", user);
  settings::TPubUtil::WriteRegString("UserPwd", password);
  settings::TPubUtil::WriteRegString("SavePwd", "1");
}

}  // namespace

int RunOnce(const OnceRequest& request, std::ostream& out, std::ostream& err) {
  const std::string user =
      request.user ? *request.user : settings::TPubUtil::ReadRegString("UserName");
  const std::string password =
      request.password ? *request.password : settings::TPubUtil::ReadRegString("UserPwd");
  if (trimmed(user).empty() || trimmed(password).size() < 3) {
    err << "Please type a valid name and password！\n";
    return kExitRefused;
  }

  if (!protocol::UserLogin(user, password)) {
    err << "Login failure: " << LastErrorText() << '\n';
    return exitForLastResult();
  }
  if (request.save) {
    try {
      saveCredentials(user, password);
    } catch (const settings::SettingsError& error) {
      err << "kelbrin-client: the credentials were not saved: " << error.what() << '\n';
      return kExitRefused;
    }
  }
  const auto profile = protocol::UserProfile();
  printAccount(profile->Profile, out);
  if (profile->Profile.PayType == "2") {
    err << "The account expires！\n";
    return kExitRefused;
  }

  const std::string activeReply = exchange("ActiveTestReq", user, password);
  if (activeReply.empty()) {
    err << "Connection fails！\n";
    return kExitUnreachable;
  }
  protocol::TActiveTestResp active;
  active.ParseXml(activeReply);
  if (active.Result != "0") return refused(active.Result, err);
  out << "IP updates successfully：" << active.UserIP << '\n';

  const std::string listReply = exchange("GetServiceListReq", user, password);
  if (listReply.empty()) {
    protocol::ResultCodeText(1);
    err << LastErrorText() << '\n';
    return kExitUnreachable;
  }
  protocol::TGetServiceListResp list;
  list.ParseXml(listReply);
  if (list.Result != "0") return refused(list.Result, err);
  printDomains(list, out);
  return kExitDone;
}

}  // namespace kelbrin::app
