#include "app/service/ClientBus.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <utility>
#include <vector>

#include "app/bus/ServiceListRows.h"
#include "domains/DomainLines.h"
#include "eventlog/LogList.h"
#include "lines/TLineFactory.h"
#include "runtime/Translate.h"
#include "settings/ParamInfo.h"

namespace kelbrin::app {

namespace {

using platform::BusError;
using platform::BusMethod;
using platform::BusValue;
using Rows = std::vector<std::vector<std::string>>;
using Args = std::vector<BusValue>;

// polkit actions: what an active local user may do without asking, and what needs an admin.
constexpr char kActionLogOn[] = "net.kelbrin.client.logon";
constexpr char kActionLine[] = "net.kelbrin.client.line";
constexpr char kActionSettings[] = "net.kelbrin.client.settings";
constexpr char kActionQuit[] = "net.kelbrin.client.quit";

const std::string& Text(const Args& args, std::size_t at) {
  return std::get<std::string>(args[at]);
}
bool Flag(const Args& args, std::size_t at) { return std::get<bool>(args[at]); }

// The held line's kind, empty without a line.
std::string LineTypeName(std::optional<int> lineType) {
  std::vector<std::string> names;
  lines::TLineFactory::GetLineTypeNames(&names);
  return lineType && *lineType >= 0 && static_cast<std::size_t>(*lineType) < names.size()
             ? names[*lineType]
             : std::string();
}

Rows DomainRows(const session::SessionController& session) {
  Rows rows;
  const auto list = session.ServiceList();
  if (!list) return rows;
  for (const auto& domain : list->DomainInfos) {
    const domains::DomainLineTexts lines = domains::DomainLines(domain);
    rows.push_back({domains::DomainNodeText(domain), lines.lab2.value_or(""),
                    lines.lab3.value_or(""), lines.lab7});
  }
  return rows;
}

// The event log so far, newest first: kind, seconds since the epoch, text.
Rows LogRows(const eventlog::LogList& list) {
  Rows rows;
  rows.reserve(list.size());
  for (std::size_t row = 0; row < list.size(); ++row) {
    const eventlog::TLogRec& entry = list.at(row);
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(entry.time.time_since_epoch()).count();
    rows.push_back({std::to_string(entry.kind), std::to_string(seconds), entry.text});
  }
  return rows;
}

std::vector<BusMethod> Methods(client::ClientRoot& root, std::function<void()> quit) {
  session::SessionController& session = root.Session();
  return {
      {"LogOn", "ss", 0, kActionLogOn,
       [&session](const Args& args) {
         if (session.Mark() == 1) throw BusError(runtime::Translatable("Already logged in"));
         if (!session.View().BtnLogonEnabled)
           throw BusError(runtime::Translatable("A login is under way"));
         session.SetEditUserName(Text(args, 0));
         session.SetEditPassword(Text(args, 1));
         session.EditEntered();
         session.BtnLogonClick();
         return Rows{};
       }},
      {"LogOff", "", 0, kActionLogOn,
       [&session](const Args&) {
         if (session.Mark() != 1) throw BusError(runtime::Translatable("Not logged in"));
         session.BtnLogonClick();
         return Rows{};
       }},
      {"RefreshServices", "", 0, kActionLogOn,
       [&session](const Args&) {
         if (session.Mark() != 1) throw BusError(runtime::Translatable("Not logged in"));
         session.RefreshServiceList();
         return Rows{};
       }},
      {"GetDomains", "", 4, "", [&session](const Args&) { return DomainRows(session); }},
      {"GetServiceList", "", kServiceListRowWidth, "",
       [&session](const Args&) {
         const auto& list = session.View().DomainTree;
         if (!list) throw BusError("No service list");
         return ServiceListRows(*list);
       }},
      {"GetLog", "", 3, "", [&root](const Args&) { return LogRows(root.EventLog().List()); }},
      {"SaveSettings", "bbbb", 0, kActionSettings,
       [&session](const Args& args) {
         session.SetChkBoxSavePwd(Flag(args, 0));
         session.SetChkBoxStartup(Flag(args, 1));
         session.SetChkBoxRunAsService(Flag(args, 2));
         session.SetSuiCheckBoxUpdateSysInfo(Flag(args, 3));
         session.SaveSettings();
         return Rows{};
       }},
      {"ApplyLine", "ssssb", 0, kActionLine,
       [&root](const Args& args) {
         std::vector<std::string> names;
         lines::TLineFactory::GetLineTypeNames(&names);
         const auto type = std::find(names.begin(), names.end(), Text(args, 0));
         if (type == names.end()) throw BusError("Not a line type: " + Text(args, 0));
         const int lineType = static_cast<int>(type - names.begin());
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
           throw BusError(error.what());
         }
         return Rows{};
       }},
      {"SetLineKeepActive", "b", 0, kActionLine,
       [&root](const Args& args) {
         root.SetLineKeepActive(Flag(args, 0));
         return Rows{};
       }},
      {"Quit", "", 0, kActionQuit,
       [quit = std::move(quit)](const Args&) {
         quit();
         return Rows{};
       }},
  };
}

}  // namespace

platform::BusProperties ClientProperties(client::ClientRoot& root) {
  const session::SessionController& session = root.Session();
  const session::SessionView& view = session.View();
  const auto list = session.ServiceList();
  const std::optional<int> line = root.HeldLineType();
  const settings::TParamInfo stored = root.Settings().Snapshot();
  return {
      {"Online", session.Mark() == 1},
      {"State", view.Label25},
      {"UserType", view.Label26},
      {"Address", view.Label27},
      {"UserId", view.Label28},
      {"Deadline", view.Label29},
      {"PaymentNotice", view.Image1Visible},
      {"UserName", view.EditUserName},
      {"LoginCaption", view.BtnLogonCaption},
      {"LoginEnabled", view.BtnLogonEnabled},
      {"SavePassword", view.ChkBoxSavePwd},
      {"Startup", view.ChkBoxStartup},
      {"RunAsService", view.ChkBoxRunAsService},
      {"UpdateSystemInfo", view.suiCheckBoxUpdateSysInfo},
      {"TrayIcon", static_cast<std::int32_t>(view.TrayIconIndex)},
      {"TrayHint", view.TrayHint},
      {"LastError", root.Pelmar().LastErrorText()},
      {"Line", LineTypeName(line)},
      {"LineState", !line                    ? ""
                    : session.NetReachable() ? runtime::Translatable("connected")
                                             : runtime::Translatable("not connected")},
      {"NetReachable", session.NetReachable()},
      // The stored line, as the network page shows it (its password stays here).
      {"StoredLineType", static_cast<std::int32_t>(stored.InternalLineType)},
      {"StoredLineName", stored.LineName},
      {"StoredLineUserName", stored.LineUserName},
      {"AutoConnect", stored.AutoConn},
      {"DomainCount", static_cast<std::int32_t>(list ? list->DomainInfos.size() : 0)},
      {"ServiceListFetching", view.ServiceListFetching},
  };
}

ClientBus::ClientBus(runtime::Presenter& presenter) : presenter_(presenter) {}

ClientBus::~ClientBus() = default;

void ClientBus::Publish(platform::BusKind kind, client::ClientRoot& root,
                        std::function<void()> quit) {
  root_ = &root;
  shownList_ = root.Session().View().DomainTree.get();
  platform::BusProperties properties = ClientProperties(root);
  properties.emplace(kServiceListSerial, listSerial_);
  platform::BusObject object{kClientBusName,
                             kClientBusPath,
                             kClientBusInterface,
                             std::move(properties),
                             {{"LogEntry", "is"},
                              {"Popup", "ss"},
                              {"Beep", "i"},
                              {"MessageBeep", ""},
                              {"ErrorBox", "ss"},
                              {"InfoBox", "ss"},
                              {"ShowWindow", ""}},
                             Methods(root, std::move(quit))};
  service_ = std::make_unique<platform::BusService>(kind, std::move(object));
  // The line's state changes on the line-state timer's pace, not only with the session's view.
  root.SetLineObserver([this] { Refresh(); });
}

void ClientBus::Refresh() {
  if (!service_) return;
  for (auto& [name, value] : ClientProperties(*root_))
    service_->SetProperty(name, std::move(value));
  // A new list (or none) is told by its serial; a front-end then reads it with GetServiceList.
  const auto* list = root_->Session().View().DomainTree.get();
  if (list != shownList_) {
    shownList_ = list;
    service_->SetProperty(kServiceListSerial, ++listSerial_);
  }
}

void ClientBus::Drop() { service_.reset(); }

void ClientBus::Emit(const std::string& signal, const std::vector<BusValue>& args) {
  if (service_) service_->Emit(signal, args);
}

void ClientBus::ShowHintPopup(const std::string& title, const std::string& text) {
  presenter_.ShowHintPopup(title, text);
  Emit("Popup", {title, text});
}

void ClientBus::StartBeep(int repetitions) {
  presenter_.StartBeep(repetitions);
  Emit("Beep", {static_cast<std::int32_t>(repetitions)});
}

void ClientBus::MessageBeep() {
  presenter_.MessageBeep();
  Emit("MessageBeep", {});
}

void ClientBus::ShowErrorBox(const std::string& caption, const std::string& text) {
  presenter_.ShowErrorBox(caption, text);
  Emit("ErrorBox", {caption, text});
}

void ClientBus::ShowInfoBox(const std::string& caption, const std::string& text) {
  presenter_.ShowInfoBox(caption, text);
  Emit("InfoBox", {caption, text});
}

void ClientBus::ShowMainWindow() {
  presenter_.ShowMainWindow();
  Emit("ShowWindow", {});
}

void ClientBus::OnLogRowInserted(const eventlog::TLogRec& entry) {
  Emit("LogEntry", {static_cast<std::int32_t>(entry.kind), entry.text});
}

}  // namespace kelbrin::app
