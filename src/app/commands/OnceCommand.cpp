#include "app/commands/OnceCommand.h"

#include <chrono>

#include "app/commands/ServiceSetup.h"
#include "eventlog/LineText.h"
#include "runtime/Translate.h"
#include "session/Credentials.h"
#include "session/ProfileDisplay.h"
#include "settings/PubUtil.h"
#include "settings/SettingsBackend.h"

namespace kelbrin::app {

namespace {

using runtime::Translate;

// Code 1 is the connection failure; every other code is the service's refusal.
int ExitFor(int resultCode) { return resultCode == 1 ? kExitUnreachable : kExitRefused; }

// Text from a reply is data: escaped as the service's journal lines are, so that it can neither
// forge a line of this report nor send escapes to the terminal.
std::string Shown(std::string_view replyText) { return eventlog::EscapeControls(replyText); }

void PrintAccount(const protocol::TUserProfileSchema& profile, std::ostream& out) {
  const session::AccountTexts texts = session::AccountTextsOf(
      profile, session::LocalDate(std::chrono::system_clock::now()));
  out << Translate("User ID: ") << Shown(texts.UserID) << '\n'
      << Translate("State: ") << Shown(texts.State) << '\n'
      << Translate("User Type: ") << Shown(texts.UserType) << '\n'
      << Translate("The Service Deadline: ")
      << Shown(texts.Deadline.value_or(profile.ServiceEndDate)) << '\n';
}

void PrintDomains(const protocol::TGetServiceListResp& list, std::ostream& out) {
  out << Translate("Total: ") << list.DomainInfos.size() << Translate(" domain names.") << '\n';
  if (list.DomainInfos.empty()) out << Translate("Please register first！") << '\n';
  for (const auto& domain : list.DomainInfos) {
    out << "  " << Shown(domain.DomainName + domain.SuffixName) << "  "
        << Translate("The Service is valid from") << Shown(domain.StartDate) << Translate("to")
        << Shown(domain.EndDate) << '\n';
    for (const auto& record : domain.ResourceInfos) {
      out << "    " << Translate(record.TypeLabel()) << Shown(record.KeyName)
          << Translate("，DNS Data：") << Shown(record.KeyValue) << '\n';
    }
  }
}

// One record, one atomic replace: never one account's name with another's password. The
// password itself goes to the secret store when one takes it.
void SaveCredentials(const protocol::Credentials& credentials) {
  settings::SystemSettingsBackend().WriteValues(
      {{"UserName", credentials.UserName}, {"UserPwd", credentials.UserPwd}, {"SavePwd", "1"}});
}

}  // namespace

int RunOnce(const OnceRequest& request, protocol::PelmarClient& client, std::ostream& out,
            std::ostream& err) {
  const protocol::Credentials credentials{
      request.user ? *request.user : settings::TPubUtil::ReadRegString("UserName"),
      request.password ? *request.password
                       : settings::SystemSettingsBackend().ReadValue("UserPwd")};
  if (session::HoldsControlCharacter(credentials.UserName) ||
      session::HoldsControlCharacter(credentials.UserPwd)) {
    err << Translate(session::kControlCharactersRefused) << '\n';
    return kExitRefused;
  }
  if (!session::CredentialsUsable(credentials.UserName, credentials.UserPwd)) {
    err << Translate("Please type a valid name and password！") << '\n';
    return kExitRefused;
  }

  const auto login = client.UserLogin(credentials);
  if (!login.Accepted()) {
    err << Translate("Login failure: ") << Translate(login.message) << '\n';
    return ExitFor(login.resultCode);
  }
  bool saved = true;
  if (request.save) {
    try {
      SaveCredentials(credentials);
      // The machine-wide settings are the system service's: it reads them again on a reload.
      if (settings::UsesMachineSettings()) {
        err << "kelbrin-client: "
            << Translate("saved; a running %1 takes them after: systemctl reload %1",
                         {kServiceName})
            << '\n';
      }
    } catch (const settings::SettingsError& error) {
      err << "kelbrin-client: " << Translate("logged in, but the credentials were not saved: ")
          << error.what() << '\n';
      saved = false;
    }
  }
  const int done = saved ? kExitDone : kExitNotSaved;
  PrintAccount(login.reply->Profile, out);
  if (login.reply->Profile.PayType == "2") {
    err << Translate("The account expires！") << '\n';
    return kExitRefused;
  }

  protocol::TActiveTestResp active;
  const protocol::Outcome test = client.ActiveTest(credentials, active);
  if (!test.replied) {
    err << Translate("Connection fails！") << '\n';
    return kExitUnreachable;
  }
  if (!test.Accepted()) {
    err << Translate(test.message) << '\n';
    return ExitFor(test.resultCode);
  }
  out << Translate("IP updates successfully：") << Shown(active.UserIP) << '\n';

  const auto list = client.GetServiceList(credentials);
  if (!list.Accepted()) {
    err << Translate(list.message) << '\n';
    return ExitFor(list.resultCode);
  }
  PrintDomains(*list.reply, out);
  return done;
}

}  // namespace kelbrin::app
