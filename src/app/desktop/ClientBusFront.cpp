#include "app/desktop/ClientBusFront.h"

#include <unistd.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "app/bus/ServiceListRows.h"
#include "eventlog/TLogRec.h"
#include "lines/TLineFactory.h"
#include "session/ProfileDisplay.h"

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

// The interface's basic values; others (a newer service's) are passed over.
void TakeValues(const QVariantMap& values, platform::BusProperties& properties) {
  for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
    const std::string name = it.key().toStdString();
    switch (it.value().metaType().id()) {
      case QMetaType::Bool:
        properties[name] = it.value().toBool();
        break;
      case QMetaType::UInt:
        properties[name] = static_cast<std::uint32_t>(it.value().toUInt());
        break;
      case QMetaType::ULongLong:
        properties[name] = static_cast<std::uint64_t>(it.value().toULongLong());
        break;
      case QMetaType::QString:
        properties[name] = it.value().toString().toStdString();
        break;
      default:
        break;
    }
  }
}

// A reply of rows of texts ("a(s…)"), `width` a row; none when the call failed.
std::optional<TextRows> TextRowsOf(const QDBusMessage& reply, std::size_t width) {
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

bool ClientBusFront::OwnedByThisUser() const {
  // Anyone may own a name on a system bus only as its policy allows (root, for this one); on a
  // session bus only a process of this user is trusted to be the client.
  if (bus_.name() != QDBusConnection::sessionBus().name()) return true;
  const auto owner = bus_.interface()->serviceUid(QString::fromLatin1(kClientBusName));
  return owner.isValid() && owner.value() == ::getuid();
}

bool ClientBusFront::Attach() {
  if (!OwnedByThisUser()) return false;
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
  TakeValues(qdbus_cast<QVariantMap>(reply.arguments().constFirst()), properties_);
  Show();
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
  link(interface, "Event", SLOT(OnEvent(uint, qulonglong, QString)));
  link(interface, "Notice", SLOT(OnNotice(uint, QString, bool)));
}

// The view from the facts, by the rule the window of a session of its own follows too.
void ClientBusFront::Show() {
  facts_ = SessionFactsOf(properties_);
  line_ = LineFactsOf(properties_);
  // Whether a list has come (and so whether an empty one asks to register) the fetched list says.
  if (view_.DomainTree) {
    facts_.domainCount = static_cast<std::uint32_t>(view_.DomainTree->DomainInfos.size());
  }
  session::ShowFacts(facts_, session::LocalDate(clock_.WallNow()), view_);
  PublishAccount();
  // The service runs, and this desktop is its face: the box says so and is not for changing here.
  view_.ChkBoxRunAsService = true;
  view_.ChkBoxRunAsServiceEnabled = false;
  TakeStoredLine();
  Changed();
}

// The pages that read the account (the advanced-service page) take it from the facts. The
// password stays with the service: the profile carries none.
void ClientBusFront::PublishAccount() {
  if (!session::IsLoggedIn(facts_.state)) {
    snapshots_.PublishUserProfile(nullptr);
    return;
  }
  auto profile = std::make_shared<protocol::TQueryUserProfileResp>();
  profile->Profile.UserName = facts_.userName;
  if (facts_.account) profile->Profile.UserID = facts_.account->userId;
  snapshots_.PublishUserProfile(std::move(profile));
}

void ClientBusFront::TakeStoredLine() {
  settings::TParamInfo record = record_.Snapshot();
  std::vector<std::string> kinds;
  lines::TLineFactory::GetLineTypeNames(&kinds);
  const auto kind = std::find(kinds.begin(), kinds.end(), line_.kind);
  const int lineType = kind == kinds.end() ? -1 : static_cast<int>(kind - kinds.begin());
  if (record.InternalLineType == lineType && record.LineName == line_.name &&
      record.LineUserName == line_.userName && record.AutoConn == line_.autoConnect) {
    return;
  }
  record.InternalLineType = lineType;
  record.LineName = line_.name;
  record.LineUserName = line_.userName;
  record.AutoConn = line_.autoConnect;
  record_.Update(record);
}

// The service's log so far replaces this desktop's, oldest entry first.
void ClientBusFront::TakeLog() {
  const QDBusMessage reply =
      bus_.call(ClientMethod(QStringLiteral("GetLog")), QDBus::Block, kReadTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return;
  std::vector<eventlog::TLogRec> entries;
  const auto array = reply.arguments().constFirst().value<QDBusArgument>();
  array.beginArray();
  while (!array.atEnd()) {
    uint kind = 0;
    qulonglong time = 0;
    QString text;
    array.beginStructure();
    array >> kind >> time >> text;
    array.endStructure();
    entries.push_back({static_cast<std::uint8_t>(kind), text.toStdString(), FromBusTime(time)});
  }
  array.endArray();
  log_.Clear();
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) log_.List().Insert(*entry);
}

// The list the window shows, read again whenever the service has a new one (or none).
void ClientBusFront::FetchServiceList() {
  auto* watcher = new QDBusPendingCallWatcher(
      bus_.asyncCall(ClientMethod(QStringLiteral("GetServiceList"))), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
    done->deleteLater();
    const auto rows = TextRowsOf(done->reply(), kServiceListRowWidth);
    view_.DomainTree =
        rows ? std::make_shared<const protocol::TGetServiceListResp>(ServiceListFromRows(*rows))
             : nullptr;
    Show();
  });
}

void ClientBusFront::Changed() {
  if (observer_) observer_(view_);
}

void ClientBusFront::SetViewObserver(std::function<void(const session::SessionView&)> observer) {
  observer_ = std::move(observer);
}

void ClientBusFront::BtnLogonClick() {
  if (Mark() == 1) {
    Call(QStringLiteral("LogOff"));
  } else if (view_.EditUserName == facts_.userName && view_.EditPassword.empty()) {
    // The service's saved account, whose password stays with the service.
    Call(QStringLiteral("LogOn"));
  } else {
    Call(QStringLiteral("LogOnAs"),
         {QString::fromStdString(view_.EditUserName), QString::fromStdString(view_.EditPassword),
          view_.ChkBoxSavePwd});
  }
}

void ClientBusFront::SaveSettings() {
  Call(QStringLiteral("SaveSettings"), {view_.ChkBoxSavePwd, view_.ChkBoxStartup,
                                        view_.ChkBoxRunAsService, view_.suiCheckBoxUpdateSysInfo});
}

void ClientBusFront::RefreshServiceList() { Call(QStringLiteral("RefreshServiceList")); }

void ClientBusFront::NotifyEvent(int, const std::string& text, int, const std::string&) {
  log_.AddLog(eventlog::kLogTip, text);
}

void ClientBusFront::ApplyLine(const std::string& lineType, const std::string& lineName,
                               const std::string& password, const std::string& userName,
                               bool autoConnect, std::function<void()> done) {
  Call(QStringLiteral("SetLine"),
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
  presenter_.Tell({runtime::NoticeKind::Failure, text.toStdString()});
  // The boxes and edits show the service's values again.
  Show();
}

void ClientBusFront::OnPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                         const QStringList&) {
  if (interface != QString::fromLatin1(kClientBusInterface)) return;
  TakeValues(changed, properties_);
  Show();
  if (changed.contains(QString::fromLatin1(kServiceListSerial))) FetchServiceList();
}

void ClientBusFront::OnEvent(uint kind, qulonglong time, const QString& text) {
  log_.List().Insert({static_cast<std::uint8_t>(kind), text.toStdString(), FromBusTime(time)});
}

void ClientBusFront::OnNotice(uint kind, const QString& text, bool loud) {
  if (kind >= runtime::kNoticeKindCount) return;  // a newer service's: nothing to show it by
  presenter_.Tell({static_cast<runtime::NoticeKind>(kind), text.toStdString(), loud});
}

}  // namespace kelbrin::app
