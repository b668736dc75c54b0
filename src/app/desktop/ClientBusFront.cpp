#include "app/desktop/ClientBusFront.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include "app/bus/ClientInterface.h"
#include "app/bus/ServiceListRows.h"
#include "eventlog/TLogRec.h"

namespace kelbrin::app {

namespace {

constexpr int kReadTimeoutMs = 2000;
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

QDBusMessage ClientCall(const QString& interface, const QString& method) {
  return QDBusMessage::createMethodCall(QString::fromLatin1(kClientBusName),
                                        QString::fromLatin1(kClientBusPath), interface, method);
}

QDBusMessage ClientMethod(const QString& method) {
  return ClientCall(QString::fromLatin1(kClientBusInterface), method);
}

std::string Utf8(const QVariant& value) { return value.toString().toStdString(); }
std::int32_t ToInt(const QVariant& value) { return value.toInt(); }
bool ToBool(const QVariant& value) { return value.toBool(); }

// `field` takes the property `name`, converted, when it is among `properties`; whether it was.
template <typename Field, typename Convert>
bool TakeProperty(const QVariantMap& properties, const char* name, Field& field, Convert convert) {
  const auto found = properties.constFind(QString::fromLatin1(name));
  if (found == properties.constEnd()) return false;
  field = convert(*found);
  return true;
}

// A method's reply of rows of `width` texts ("a(s…)"); none when the call failed.
std::optional<TextRows> ReplyRows(const QDBusMessage& reply, std::size_t width) {
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    return std::nullopt;
  }
  TextRows rows;
  const auto array = reply.arguments().constFirst().value<QDBusArgument>();
  array.beginArray();
  while (!array.atEnd()) {
    std::vector<std::string>& row = rows.emplace_back();
    array.beginStructure();
    for (std::size_t column = 0; column < width; ++column) {
      QString text;
      array >> text;
      row.push_back(text.toStdString());
    }
    array.endStructure();
  }
  array.endArray();
  return rows;
}

}  // namespace

ClientBusFront::ClientBusFront(QDBusConnection bus, runtime::Presenter& presenter,
                               eventlog::EventLog& log, settings::ParamInfoStore& record,
                               runtime::Clock& clock)
    : bus_(std::move(bus)), presenter_(presenter), log_(log), record_(record), clock_(clock) {}

ClientBusFront::~ClientBusFront() { Follow(false); }

bool ClientBusFront::Attach() {
  QDBusMessage read = ClientCall(kPropertiesInterface, QStringLiteral("GetAll"));
  read << QString::fromLatin1(kClientBusInterface);
  // Followed before the read, so no change falls between the two.
  Follow(true);
  const QDBusMessage reply = bus_.call(read, QDBus::Block, kReadTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    Follow(false);
    return false;
  }
  TakeLog();
  properties_ = qdbus_cast<QVariantMap>(reply.arguments().constFirst());
  Take(properties_);
  FetchServiceList();
  return true;
}

void ClientBusFront::Follow(bool on) {
  if (on == following_) return;
  following_ = on;
  const QString name = QString::fromLatin1(kClientBusName);
  const QString path = QString::fromLatin1(kClientBusPath);
  const QString interface = QString::fromLatin1(kClientBusInterface);
  const auto link = [&](const QString& from, const char* signal, const char* slot) {
    if (on) {
      bus_.connect(name, path, from, QString::fromLatin1(signal), this, slot);
    } else {
      bus_.disconnect(name, path, from, QString::fromLatin1(signal), this, slot);
    }
  };
  link(kPropertiesInterface, "PropertiesChanged",
       SLOT(OnPropertiesChanged(QString, QVariantMap, QStringList)));
  link(interface, "LogEntry", SLOT(OnLogEntry(int, QString)));
  link(interface, "Popup", SLOT(OnPopup(QString, QString)));
  link(interface, "Beep", SLOT(OnBeep(int)));
  link(interface, "MessageBeep", SLOT(OnMessageBeep()));
  link(interface, "ErrorBox", SLOT(OnErrorBox(QString, QString)));
  link(interface, "InfoBox", SLOT(OnInfoBox(QString, QString)));
  link(interface, "ShowWindow", SLOT(OnShowWindow()));
}

// The view from the properties that came; what the window derives from them follows.
void ClientBusFront::Take(const QVariantMap& properties) {
  const auto text = [&](const char* name, std::string& field) {
    TakeProperty(properties, name, field, Utf8);
  };
  const auto flag = [&](const char* name, bool& field) {
    TakeProperty(properties, name, field, ToBool);
  };
  text("State", view_.Label25);
  text("UserType", view_.Label26);
  text("Address", view_.Label27);
  text("UserId", view_.Label28);
  text("Deadline", view_.Label29);
  flag("PaymentNotice", view_.Image1Visible);
  view_.labFKXZUrlVisible = view_.Image1Visible;
  text("UserName", view_.EditUserName);
  text("LoginCaption", view_.BtnLogonCaption);
  flag("LoginEnabled", view_.BtnLogonEnabled);
  flag("SavePassword", view_.ChkBoxSavePwd);
  flag("Startup", view_.ChkBoxStartup);
  flag("UpdateSystemInfo", view_.suiCheckBoxUpdateSysInfo);
  flag("ServiceListFetching", view_.ServiceListFetching);
  text("TrayHint", view_.TrayHint);
  TakeProperty(properties, "TrayIcon", view_.TrayIconIndex, ToInt);
  flag("Online", online_);
  flag("NetReachable", netReachable_);
  view_.EditUserNameEnabled = !online_ && view_.BtnLogonEnabled;
  view_.EditPasswordEnabled = view_.EditUserNameEnabled;
  view_.ChkBoxStartupEnabled = online_;
  // The service runs, and this desktop is its face: the box says so and is not for changing here.
  view_.ChkBoxRunAsService = true;
  view_.ChkBoxRunAsServiceEnabled = false;
  TakeStoredLine(properties);
  Changed();
}

void ClientBusFront::TakeStoredLine(const QVariantMap& properties) {
  settings::TParamInfo record = record_.Snapshot();
  const bool changed = TakeProperty(properties, "StoredLineType", record.InternalLineType, ToInt) |
                       TakeProperty(properties, "StoredLineName", record.LineName, Utf8) |
                       TakeProperty(properties, "StoredLineUserName", record.LineUserName, Utf8) |
                       TakeProperty(properties, "AutoConnect", record.AutoConn, ToBool);
  if (changed) record_.Update(record);
}

// The service's log so far replaces this desktop's, oldest entry first.
void ClientBusFront::TakeLog() {
  const auto rows =
      ReplyRows(bus_.call(ClientMethod(QStringLiteral("GetLog")), QDBus::Block, kReadTimeoutMs), 3);
  if (!rows) return;
  log_.Clear();
  for (auto row = rows->rbegin(); row != rows->rend(); ++row) {
    const auto seconds = std::chrono::seconds(std::strtoll((*row)[1].c_str(), nullptr, 10));
    log_.List().Insert({static_cast<std::uint8_t>(std::strtoul((*row)[0].c_str(), nullptr, 10)),
                        (*row)[2], std::chrono::system_clock::time_point(seconds)});
  }
}

// The list the window shows, read again whenever the service has a new one (or none).
void ClientBusFront::FetchServiceList() {
  auto* watcher = new QDBusPendingCallWatcher(
      bus_.asyncCall(ClientMethod(QStringLiteral("GetServiceList"))), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
    done->deleteLater();
    const auto rows = ReplyRows(done->reply(), kServiceListRowWidth);
    view_.DomainTree =
        rows ? std::make_shared<const protocol::TGetServiceListResp>(ServiceListFromRows(*rows))
             : nullptr;
    Changed();
  });
}

void ClientBusFront::Changed() {
  if (observer_) observer_(view_);
}

void ClientBusFront::SetViewObserver(std::function<void(const session::SessionView&)> observer) {
  observer_ = std::move(observer);
}

void ClientBusFront::BtnLogonClick() {
  if (online_) {
    Call(QStringLiteral("LogOff"));
  } else {
    Call(QStringLiteral("LogOn"),
         {QString::fromStdString(view_.EditUserName), QString::fromStdString(view_.EditPassword)});
  }
}

void ClientBusFront::SaveSettings() {
  Call(QStringLiteral("SaveSettings"), {view_.ChkBoxSavePwd, view_.ChkBoxStartup,
                                        view_.ChkBoxRunAsService, view_.suiCheckBoxUpdateSysInfo});
}

void ClientBusFront::RefreshServiceList() { Call(QStringLiteral("RefreshServices")); }

void ClientBusFront::NotifyEvent(int, const std::string& text, int, const std::string&) {
  log_.AddLog(eventlog::kLogTip, text);
}

void ClientBusFront::ApplyLine(const std::string& lineType, const std::string& lineName,
                               const std::string& password, const std::string& userName,
                               bool autoConnect, std::function<void()> done) {
  Call(QStringLiteral("ApplyLine"),
       {QString::fromStdString(lineType), QString::fromStdString(lineName),
        QString::fromStdString(userName), QString::fromStdString(password), autoConnect},
       std::move(done));
}

void ClientBusFront::SetLineKeepActive(bool keepActive) {
  Call(QStringLiteral("SetLineKeepActive"), {keepActive});
}

void ClientBusFront::Call(const QString& method, const QVariantList& args,
                          std::function<void()> done) {
  QDBusMessage call = ClientMethod(method);
  call.setArguments(args);
  call.setInteractiveAuthorizationAllowed(true);
  // polkit may ask the user for a password first: no time-out of ours.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, -1), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, done = std::move(done)](QDBusPendingCallWatcher* reply) {
            reply->deleteLater();
            if (reply->isError()) Refused(reply->error().message());
            if (done) done();
          });
}

void ClientBusFront::Refused(const QString& text) {
  presenter_.ShowErrorBox("Error", text.toStdString());
  // The boxes and edits show the service's values again.
  Take(properties_);
}

void ClientBusFront::OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                         const QStringList&) {
  if (interface != QString::fromLatin1(kClientBusInterface)) return;
  properties_.insert(changed);
  Take(changed);
  if (changed.contains(QString::fromLatin1(kServiceListSerial))) FetchServiceList();
}

void ClientBusFront::OnLogEntry(int kind, const QString& text) {
  log_.AddLog(static_cast<std::uint8_t>(kind), text.toStdString());
}

void ClientBusFront::OnPopup(const QString& title, const QString& text) {
  presenter_.ShowHintPopup(title.toStdString(), text.toStdString());
}

void ClientBusFront::OnBeep(int repetitions) { presenter_.StartBeep(repetitions); }

void ClientBusFront::OnMessageBeep() { presenter_.MessageBeep(); }

void ClientBusFront::OnErrorBox(const QString& caption, const QString& text) {
  presenter_.ShowErrorBox(caption.toStdString(), text.toStdString());
}

void ClientBusFront::OnInfoBox(const QString& caption, const QString& text) {
  presenter_.ShowInfoBox(caption.toStdString(), text.toStdString());
}

void ClientBusFront::OnShowWindow() { presenter_.ShowMainWindow(); }

}  // namespace kelbrin::app
