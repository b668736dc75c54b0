#include "app/OnceCommand.h"

#include <chrono>

#include "session/Credentials.h"
#include "session/ProfileDisplay.h"
#include "settings/PubUtil.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::app {

namespace {

// Code 1 is the connection failure; every other code is the service's refusal.
int exitFor(int resultCode) { return resultCode == 1 ? kExitUnreachable : kExitRefused; }

void printAccount(const protocol::TUserProfileSchema& profile, std::ostream& out) {
  const session::AccountTexts texts = session::AccountTextsOf(
      profile, session::LocalDate(std::chrono::system_clock::now()));
  out << "User ID: " << texts.UserID << '\n'
      << "State: " << texts.State << '\n'
      << "User Type: " << texts.UserType << '\n'
      << "The Service Deadline: " << texts.Deadline.value_or(profile.ServiceEndDate) << '\n';
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

// One record, one atomic replace: never one account's name with another's password. The
// password itself goes to the secret store when one takes it.
void saveCredentials(const protocol::Credentials& credentials) {
  settings::SystemSettingsBackend().writeValues(
      {{"UserName", credentials.UserName}, {"UserPwd", credentials.UserPwd}, {"SavePwd", "1"}});
}

}  // namespace

int RunOnce(const OnceRequest& request, protocol::PelmarClient& client, std::ostream& out,
            std::ostream& err) {
  const protocol::Credentials credentials{
      request.user ? *request.user : settings::TPubUtil::ReadRegString("UserName"),
      request.password ? *request.password
                       : settings::SystemSettingsBackend().readValue("UserPwd")};
  if (!session::CredentialsUsable(credentials.UserName, credentials.UserPwd)) {
    err << "Please type a valid name and password！\n";
    return kExitRefused;
  }

  const auto login = client.UserLogin(credentials);
  if (!login.Accepted()) {
    err << "Login failure: " << login.message << '\n';
    return exitFor(login.resultCode);
  }
  bool saved = true;
  if (request.save) {
    try {
      saveCredentials(credentials);
    } catch (const settings::SettingsError& error) {
      err << "kelbrin-client: logged in, but the credentials were not saved: " << error.what()
          << '\n';
      saved = false;
    }
  }
  const int done = saved ? kExitDone : kExitNotSaved;
  printAccount(login.reply->Profile, out);
  if (login.reply->Profile.PayType == "2") {
    err << "The account expires！\n";
    return kExitRefused;
  }

  protocol::TActiveTestResp active;
  const protocol::Outcome test = client.ActiveTest(credentials, active);
  if (!test.replied) {
    err << "Connection fails！\n";
    return kExitUnreachable;
  }
  if (!test.Accepted()) {
    err << test.message << '\n';
    return exitFor(test.resultCode);
  }
  out << "IP updates successfully：" << active.UserIP << '\n';

  const auto list = client.GetServiceList(credentials);
  if (!list.Accepted()) {
    err << list.message << '\n';
    return exitFor(list.resultCode);
  }
  printDomains(*list.reply, out);
  return done;
}

}  // namespace kelbrin::app
