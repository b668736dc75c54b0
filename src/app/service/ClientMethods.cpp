#include "app/service/ClientMethods.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>
#include <utility>

#include "app/bus/ClientInterface.h"
#include "app/bus/ServiceListRows.h"
#include "eventlog/LogList.h"
#include "lines/TLineFactory.h"
#include "runtime/Translate.h"
#include "session/SettingsChoice.h"
#include "settings/ParamInfo.h"

namespace kelbrin::app {

namespace {

using platform::BusArg;
using platform::BusError;
using platform::BusMethod;
using platform::BusRows;
using platform::BusTextBound;
using platform::BusValue;
using Args = std::vector<BusValue>;
using Reply = BusMethod::Reply;

// polkit actions (packaging/dbus/net.kelbrin.client.policy) and the policy's refusal texts.
struct Action {
  const char* id;
  const char* denied;
};
constexpr Action kLogOn = {
    "net.kelbrin.client.logon",
    runtime::Translatable("System policy prevents logging the Kelbrin client on or off")};
constexpr Action kLine = {
    "net.kelbrin.client.line",
    runtime::Translatable("System policy prevents controlling the Kelbrin client's network line")};
constexpr Action kSettings = {
    "net.kelbrin.client.settings",
    runtime::Translatable("Authentication is required to save the Kelbrin client's settings")};
constexpr Action kQuit = {
    "net.kelbrin.client.quit",
    runtime::Translatable("Authentication is required to stop the Kelbrin client's service")};

// What the arguments may hold: far more than any real value, far less than a flood.
constexpr BusTextBound kUserNameBound{128};
constexpr BusTextBound kPasswordBound{256};
constexpr BusTextBound kLineKindBound{64};
constexpr BusTextBound kLineNameBound{2048};  // a dial-up entry, or a portal's address

BusArg TextArg(const char* name, BusTextBound bound) { return {name, "s", bound}; }
BusArg FlagArg(const char* name) { return {name, "b", {}}; }
BusArg OutArg(const char* name, std::string type) { return {name, std::move(type), {}}; }

const std::string& Text(const Args& args, std::size_t at) {
  return std::get<std::string>(args[at]);
}
bool Flag(const Args& args, std::size_t at) { return std::get<bool>(args[at]); }

BusMethod Method(std::string name, std::vector<BusArg> in, const Action& action,
                 std::function<Reply(const Args&)> run) {
  return {std::move(name), std::move(in), {}, action.id, runtime::Translate(action.denied),
          std::move(run)};
}

BusMethod Reader(std::string name, BusArg out, std::function<Reply(const Args&)> run) {
  return {std::move(name), {}, {std::move(out)}, "", "", std::move(run)};
}

void RequireLoggedIn(const session::SessionController& session) {
  if (session.Mark() != 1)
    throw BusError(kErrorNotLoggedIn, runtime::Translatable("Not logged in"));
}

void RequireLoggedOut(const session::SessionController& session) {
  if (session.Mark() == 1)
    throw BusError(kErrorAlreadyLoggedIn, runtime::Translatable("Already logged in"));
  if (!session.View().BtnLogonEnabled)
    throw BusError(kErrorBusy, runtime::Translatable("A login is under way"));
}

void LogOnWith(session::SessionController& session, const std::string& userName,
               const std::string& password) {
  session.SetEditUserName(userName);
  session.SetEditPassword(password);
  session.EditEntered();
  session.BtnLogonClick();
}

// The event log, newest first: kind, time, text.
BusRows LogRows(const eventlog::LogList& list) {
  BusRows rows;
  rows.reserve(list.size());
  for (std::size_t row = 0; row < list.size(); ++row) {
    const eventlog::TLogRec& entry = list.at(row);
    rows.push_back({std::uint32_t{entry.kind}, BusTime(entry.time), entry.text});
  }
  return rows;
}

BusRows ListRows(const protocol::TGetServiceListResp& list) {
  BusRows rows;
  for (auto& texts : ServiceListRows(list)) {
    platform::BusRow& row = rows.emplace_back();
    row.reserve(texts.size());
    for (auto& text : texts) row.emplace_back(std::move(text));
  }
  return rows;
}

int LineTypeOf(const std::string& kind) {
  std::vector<std::string> names;
  lines::TLineFactory::GetLineTypeNames(&names);
  const auto type = std::find(names.begin(), names.end(), kind);
  if (type == names.end()) throw BusError(kErrorNoSuchLine, "Not a line kind: " + kind);
  return static_cast<int>(type - names.begin());
}

}  // namespace

std::vector<BusMethod> ClientMethods(client::ClientRoot& root, std::function<void()> quit,
                                     bool readOnly) {
  session::SessionController& session = root.Session();
  std::vector<BusMethod> methods = {
      Reader("GetServiceList", OutArg("rows", "a(" + std::string(kServiceListRowWidth, 's') + ")"),
             [&session](const Args&) -> Reply {
               const auto& list = session.View().DomainTree;
               if (!list)
                 throw BusError(kErrorNoServiceList, runtime::Translatable("No service list"));
               return ListRows(*list);
             }),
      Reader("GetLog", OutArg("entries", "a(uts)"),
             [&root](const Args&) -> Reply { return LogRows(root.EventLog().List()); }),
  };
  if (readOnly) return methods;

  const std::vector<BusMethod> changes = {
      Method("LogOn", {}, kLogOn,
             [&root, &session](const Args&) -> Reply {
               RequireLoggedOut(session);
               const settings::TParamInfo saved = root.Settings().Snapshot();
               if (saved.UserName.empty() || !saved.SavePwd || saved.UserPwd.empty())
                 throw BusError(kErrorNoSavedAccount,
                                runtime::Translatable("No account with a saved password"));
               LogOnWith(session, saved.UserName, saved.UserPwd);
               return {};
             }),
      Method("LogOnAs",
             {TextArg("user_name", kUserNameBound), TextArg("password", kPasswordBound),
              FlagArg("save_password")},
             kSettings,
             [&session](const Args& args) -> Reply {
               RequireLoggedOut(session);
               session.SetChkBoxSavePwd(Flag(args, 2));
               LogOnWith(session, Text(args, 0), Text(args, 1));
               return {};
             }),
      Method("LogOff", {}, kLogOn,
             [&session](const Args&) -> Reply {
               RequireLoggedIn(session);
               session.BtnLogonClick();
               return {};
             }),
      Method("RefreshServiceList", {}, kLogOn,
             [&session](const Args&) -> Reply {
               RequireLoggedIn(session);
               session.RefreshServiceList();
               return {};
             }),
      Method("SaveSettings",
             {FlagArg("save_password"), FlagArg("start_with_desktop"), FlagArg("run_as_service"),
              FlagArg("report_system_info")},
             kSettings,
             [&session](const Args& args) -> Reply {
               if (const auto error =
                       session::SettingsChoiceError(Flag(args, 0), Flag(args, 1), Flag(args, 2))) {
                 throw BusError(platform::kBusErrorInvalidArgs, *error);
               }
               session.SetChkBoxSavePwd(Flag(args, 0));
               session.SetChkBoxStartup(Flag(args, 1));
               session.SetChkBoxRunAsService(Flag(args, 2));
               session.SetSuiCheckBoxUpdateSysInfo(Flag(args, 3));
               session.SaveSettings();
               return {};
             }),
      Method("SetLine",
             {TextArg("kind", kLineKindBound), TextArg("name", kLineNameBound),
              TextArg("user_name", kUserNameBound), TextArg("password", kPasswordBound),
              FlagArg("auto_connect")},
             kSettings,
             [&root](const Args& args) -> Reply {
               const int lineType = LineTypeOf(Text(args, 0));
               // A dial-up entry is a name of the machine's phonebook, nothing else: a made-up
               // one (a path, say) would only fail at dial time, long after it was stored.
               if (lines::TLineFactory::DialsPhonebookEntry(lineType) &&
                   !root.IsDialUpEntry(Text(args, 1))) {
                 throw BusError(kErrorNoSuchLine, "Not a dial-up entry: " + Text(args, 1));
               }
               // Stored first, as the network page's Save does: a line that cannot start now is
               // still the one the next start uses.
               settings::TParamInfo record = root.Settings().Snapshot();
               record.InternalLineType = lineType;
               record.LineName = Text(args, 1);
               record.LineUserName = Text(args, 2);
               record.LineUserPwd = Text(args, 3);
               record.AutoConn = Flag(args, 4);
               root.Settings().Update(record);
               root.Session().SaveSettings();
               try {
                 root.ApplyLine(lineType, Text(args, 1), Text(args, 3), Text(args, 2));
               } catch (const std::exception& error) {
                 throw BusError(kErrorFailed, error.what());
               }
               return {};
             }),
      Method("SetLineKeepActive", {FlagArg("keep_active")}, kLine,
             [&root](const Args& args) -> Reply {
               root.SetLineKeepActive(Flag(args, 0));
               return {};
             }),
      Method("Quit", {}, kQuit,
             [quit = std::move(quit)](const Args&) -> Reply {
               quit();
               return {};
             }),
  };
  methods.insert(methods.end(), changes.begin(), changes.end());
  return methods;
}

}  // namespace kelbrin::app
