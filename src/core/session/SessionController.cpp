#include "session/SessionController.h"

#include <algorithm>

#include <cassert>
#include <map>
#include <utility>

#include "platform/files/TextTrim.h"
#include "protocol/TUserProfileSchema.h"
#include "protocol/Utilities.h"
#include "reminders/EventKinds.h"
#include "runtime/Translate.h"
#include "session/Credentials.h"
#include "session/ProfileDisplay.h"
#include "settings/ParamInfoStorage.h"
#include "settings/PubUtil.h"

namespace kelbrin::session {

namespace {

constexpr const char* kTrayHint = "Kelbrin client V6.0";

// The store without the service query, which starts a systemctl process.
class WithoutServiceQuery final : public settings::SettingsBackend {
 public:
  explicit WithoutServiceQuery(settings::SettingsBackend& store) : store_(store) {}
  std::string ReadValue(const std::string& name) override { return store_.ReadValue(name); }
  void WriteValue(const std::string& name, const std::string& text) override {
    store_.WriteValue(name, text);
  }
  void WriteValues(const std::map<std::string, std::string>& values) override {
    store_.WriteValues(values);
  }
  bool IsServiceInstalled(const std::string&) override { return false; }
  void SetAutorun(bool enabled) override { store_.SetAutorun(enabled); }

 private:
  settings::SettingsBackend& store_;
};

}  // namespace

SessionController::SessionController(runtime::EventLoop& loop, runtime::Presenter& presenter,
                                     protocol::PelmarClient& client, SessionServices services,
                                     SessionOptions options)
    : loop_(loop),
      presenter_(presenter),
      client_(client),
      options_(std::move(options)),
      signals_(services.signals),
      settings_(services.settings),
      eventLog_(services.eventLog),
      loopEventFrm_(services.reminders),
      dispatcher_(services.dispatcher) {}

SessionController::~SessionController() { Shutdown(); }

void SessionController::AssertOwnerThread() const { assert(loop_.IsLoopThread()); }

void SessionController::Changed() {
  if (viewObserver_) viewObserver_(view_);
  if (changeListener_) changeListener_();
}

void SessionController::SetViewObserver(std::function<void(const SessionView&)> observer) {
  AssertOwnerThread();
  viewObserver_ = std::move(observer);
}

void SessionController::PostToController(std::function<void()> task) {
  loop_.Post([alive = std::weak_ptr<int>(alive_), task = std::move(task)] {
    // The controller is destroyed on its own thread, so it cannot vanish during the task.
    if (alive.lock()) task();
  });
}

// --- start and stop ---------------------------------------------------------------------------

void SessionController::InitClient(bool serviceMode, const std::function<void()>& startLine) {
  AssertOwnerThread();
  serviceMode_ = serviceMode;
  view_.TrayHint = kTrayHint;
  signals_.SetAutoLogonArmed(false);
  signals_.SetMark(0);
  SetServiceList(nullptr);
  ShowSessionState(DisplayState::Offline);
  LoadSettings();
  view_.Image1Visible = false;
  view_.labFKXZUrlVisible = false;
  signals_.SetNetReachable(true);
  if (startLine) startLine();
  // An empty saved password can only be refused: start as without one, with the window shown.
  const settings::TParamInfo saved = settings_.Snapshot();
  const bool savePwd = saved.SavePwd && !saved.UserPwd.empty();
  if (!savePwd) presenter_.ShowMainWindow();
  if (!autoLogonTrd_)
    autoLogonTrd_ =
        std::make_unique<TAutoLogonTrd>(client_, signals_, settings_, inbox_, options_.pace);
  if (savePwd) signals_.SetAutoLogonArmed(true);
  // Without a window nothing shows the service's state before the first save: the query (a
  // systemctl process) runs once the first login is on its way, and before any save.
  if (serviceMode_) PostToController([this] { QueryServiceState(); });
  Changed();
}

void SessionController::QueryServiceState() {
  settings::TParamInfo record = settings_.Snapshot();
  record.AsService = options_.settingsBackend->IsServiceInstalled(settings::kServiceName);
  settings_.Update(record);
  view_.ChkBoxRunAsService = record.AsService;
  Changed();
}

void SessionController::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  signals_.RequestStop();
  client_.AbortAll();
  if (loginThread_.joinable()) loginThread_.join();
  autoLogonTrd_.reset();
  updateIpTrd_.reset();
  getServiceTrds_.clear();
  // No thread of this controller can post any more; what they posted and the loop has not run
  // yet is dropped.
  alive_.reset();
}

// --- settings ---------------------------------------------------------------------------------

void SessionController::LoadSettings() {
  WithoutServiceQuery withoutQuery(*options_.settingsBackend);
  const settings::TParamInfo record =
      settings::LoadParamInfo(serviceMode_ ? withoutQuery : *options_.settingsBackend);
  settings_.Update(record);
  view_.EditUserName = record.UserName;
  view_.EditPassword = record.SavePwd ? record.UserPwd : std::string();
  storedPwd_ = view_.EditPassword;
  view_.ChkBoxSavePwd = record.SavePwd;
  view_.ChkBoxRunAsService = record.AsService;
  view_.ChkBoxStartup = record.AutoRunAsOSStart;
  view_.suiCheckBoxUpdateSysInfo = record.UpdateSysInfo;
}

void SessionController::SaveSettings() {
  AssertOwnerThread();
  settings::TParamInfo record = settings_.Snapshot();
  record.UserName = view_.EditUserName;
  record.UserPwd = view_.EditPassword;
  record.SavePwd = view_.ChkBoxSavePwd;
  record.AsService = view_.ChkBoxRunAsService;
  record.AutoRunAsOSStart = view_.ChkBoxStartup;
  record.UpdateSysInfo = view_.suiCheckBoxUpdateSysInfo;
  settings_.Update(record);
  // The workers need the password for the running session; the store keeps it only while
  // "Save Password" is ticked.
  settings::TParamInfo stored = record;
  stored.UserPwd = stored.SavePwd ? StorablePassword() : std::string();
  try {
    settings::SaveParamInfo(stored, *options_.settingsBackend);
    storedPwd_ = stored.UserPwd;
  } catch (const settings::SettingsError& error) {
    // The session goes on with the settings in memory; the user learns why they were not kept.
    presenter_.Tell({runtime::NoticeKind::Failure, error.what()});
  }
}

// A refused password never replaces the saved one: the next start would log in with it and be
// refused again, while the right one is lost.
std::string SessionController::StorablePassword() const {
  return refusedPwd_ == view_.EditPassword ? storedPwd_ : view_.EditPassword;
}

void SessionController::WriteEmptyPassword() {
  try {
    options_.settingsBackend->WriteValue("UserPwd", "");
    storedPwd_.clear();
  } catch (const settings::SettingsError& error) {
    presenter_.Tell({runtime::NoticeKind::Failure, error.what()});
  }
}

// --- login and logout -------------------------------------------------------------------------

void SessionController::SetEditUserName(std::string text) {
  AssertOwnerThread();
  view_.EditUserName = std::move(text);
  Changed();
}

void SessionController::SetEditPassword(std::string text) {
  AssertOwnerThread();
  view_.EditPassword = std::move(text);
  Changed();
}

void SessionController::SetChkBoxSavePwd(bool checked) {
  AssertOwnerThread();
  view_.ChkBoxSavePwd = checked;
  Changed();
}

void SessionController::SetChkBoxStartup(bool checked) {
  AssertOwnerThread();
  view_.ChkBoxStartup = checked;
  Changed();
}

void SessionController::SetChkBoxRunAsService(bool checked) {
  AssertOwnerThread();
  view_.ChkBoxRunAsService = checked;
  Changed();
}

void SessionController::SetSuiCheckBoxUpdateSysInfo(bool checked) {
  AssertOwnerThread();
  view_.suiCheckBoxUpdateSysInfo = checked;
  Changed();
}

void SessionController::EditEntered() {
  AssertOwnerThread();
  signals_.SetAutoLogonArmed(false);
}

void SessionController::BtnLogonClick() {
  AssertOwnerThread();
  if (loginBusy_) return;
  // Flagged before arming: an armed worker would otherwise send a second login beside this one.
  signals_.SetManualLoginBusy(Mark() == 0);
  signals_.SetAutoLogonArmed(Mark() != 0 ? false : settings_.Snapshot().SavePwd);
  LoginOrLogout();
  if (!loginBusy_) signals_.SetManualLoginBusy(false);
}

void SessionController::LoginOrLogout() {
  AssertOwnerThread();
  if (loginBusy_) return;
  if (Mark() != 0) {
    SetServiceList(nullptr);
    DoLogout(false);
    WriteEmptyPassword();
    return;
  }
  const bool controlInName = HoldsControlCharacter(view_.EditUserName);
  const bool controls = controlInName || HoldsControlCharacter(view_.EditPassword);
  if (controls || !CredentialsUsable(view_.EditUserName, view_.EditPassword)) {
    WriteEmptyPassword();
    signals_.SetAutoLogonArmed(false);
    presenter_.ShowMainWindow();
    presenter_.Tell({runtime::NoticeKind::Answer,
                     controls ? kControlCharactersRefused
                              : runtime::Translatable("Please type a valid name and password！")});
    const bool nameFirst =
        controls ? controlInName
                 : platform::TrimmedWhere(view_.EditUserName, platform::IsControlOrSpace).empty();
    view_.FocusedControl = nameFirst ? "EditUserName" : "EditPassword";
    Changed();
    return;
  }
  // Sent as typed, blanks included.
  StartLogin(view_.EditUserName, view_.EditPassword);
}

// The request runs on its own thread so that the controller's thread keeps serving the window;
// the outcome comes back as a task and is handled in the described order.
void SessionController::StartLogin(const std::string& userName, const std::string& userPwd) {
  if (loginThread_.joinable()) loginThread_.join();
  loginBusy_ = true;
  refused_ = false;
  triedPwd_ = userPwd;
  signals_.SetManualLoginBusy(true);
  view_.BtnLogonEnabled = false;
  view_.EditUserNameEnabled = false;
  view_.EditPasswordEnabled = false;
  Changed();
  loginThread_ = std::thread([this, userName, userPwd] {
    LoginResult result;
    try {
      const auto outcome = client_.UserLogin({userName, userPwd});
      result.succeeded = outcome.Accepted();
      result.profile = outcome.reply;
    } catch (...) {
      result.succeeded = false;
    }
    result.resultCode = client_.LastResultCode();
    result.errorText = client_.LastErrorText();
    PostToController([this, result] { FinishLogin(result); });
  });
}

void SessionController::FinishLogin(const LoginResult& result) {
  loginBusy_ = false;
  view_.BtnLogonEnabled = true;
  SetLoginControls(Mark() == 1);
  if (result.succeeded) {
    snapshots_.PublishUserProfile(result.profile);
    LoginSucceeded();
  } else {
    // Code 1 is no answer at all; any other is the service's refusal, which leaves the saved
    // password as it was (the refusal's logout stores the settings without the refused one).
    refused_ = result.resultCode != 1;
    if (!refused_) WriteEmptyPassword();
    const std::string text =
        runtime::Translate("Login failure: ") + runtime::Translate(result.errorText);
    if (!view_.Label25.empty()) view_.Label25 = text;
    presenter_.Tell({runtime::NoticeKind::Answer, text});
    if (result.resultCode == 1) DoLogout(true);
    Changed();
  }
  signals_.SetManualLoginBusy(false);
  if (autoLogonDoneHeld_) OnAutoLogonDone(*std::exchange(autoLogonDoneHeld_, std::nullopt));
}

void SessionController::SetLoginControls(bool loggedIn) { ShowLoginControls(loggedIn, view_); }

void SessionController::LoginSucceeded() {
  AssertOwnerThread();
  refused_ = false;
  refusedPwd_.reset();
  lastAnswer_ = {};
  SaveSettings();
  SetLoginControls(true);
  ShowSessionState(DisplayState::Online);
  if (!updateIpTrd_)
    updateIpTrd_ =
        std::make_unique<TUpdateIpTrd>(client_, signals_, settings_, inbox_, options_.pace);
  signals_.SetMark(1);
  NotifyEvent(reminders::kNotifyTextKind, runtime::Translatable("Congradulation！"));
  ShowUserProfile();
  // An expired account has been logged out by now: no request goes out after a logout.
  if (Mark() == 1) StartServiceListFetch();
  Changed();
}

void SessionController::DoLogout(bool connectionFailure) {
  AssertOwnerThread();
  signals_.SetMark(0);
  lastAnswer_ = {};
  SetLoginControls(false);
  SaveSettings();
  view_.DomainTree = nullptr;
  ShowSessionState(DisplayState::Logout);
  if (connectionFailure) {
    presenter_.Tell({runtime::NoticeKind::ConnectionLost,
                     runtime::Translatable("Unusual connection,login fails！"),
                     loopEventFrm_.Checks(reminders::kCutOffKind).loudspeaker});
  } else {
    eventLog_.AddLog(eventlog::kLogTip, runtime::Translatable("Logout Success！"));
    presenter_.Tell({runtime::NoticeKind::News, runtime::Translatable("Logout Success！")});
  }
  view_.Label25.clear();
  view_.Label26.clear();
  view_.Label27.clear();
  view_.Label28.clear();
  view_.Label29.clear();
  // The payment notice belongs to the deadline just cleared: shown alone it would point at no
  // account.
  view_.Image1Visible = false;
  view_.labFKXZUrlVisible = false;
  Changed();
}

// --- account display --------------------------------------------------------------------------

void SessionController::ShowUserProfile() {
  AssertOwnerThread();
  const auto reply = snapshots_.UserProfile();
  if (!reply) return;
  const AccountTexts texts =
      AccountTextsOf(reply->Profile, LocalDate(signals_.clock().WallNow()));
  view_.Label25 = texts.State;
  view_.Label26 = texts.UserType;
  if (texts.Deadline) view_.Label29 = *texts.Deadline;
  view_.Label28 = texts.UserID;
  view_.Image1Visible = texts.PaymentNoticeVisible;
  view_.labFKXZUrlVisible = texts.PaymentNoticeVisible;
  Changed();
  if (texts.Expired) {
    signals_.SetAutoLogonArmed(false);
    RefuseAndLogOut(runtime::Translatable("The account expires！"));
  }
}

void SessionController::ShowSessionState(DisplayState state) {
  AssertOwnerThread();
  displayState_ = state;
  ShowDisplayState(state, view_);
  Changed();
}

void SessionController::NotifyEvent(int kind, const std::string& text, int selector,
                                    const std::string& argument) {
  AssertOwnerThread();
  dispatcher_.NotifyEvent(kind, text, selector, argument);
}

// --- facts ----------------------------------------------------------------------------------

SessionState SessionController::State() const {
  if (loginBusy_) return SessionState::LoggingIn;
  if (Mark() == 1) {
    return displayState_ == DisplayState::ConnectionFails ? SessionState::ConnectionFails
                                                          : SessionState::Online;
  }
  return refused_ ? SessionState::Refused : SessionState::LoggedOut;
}

SessionFacts SessionController::Facts() const {
  AssertOwnerThread();
  SessionFacts facts;
  facts.state = State();
  const settings::TParamInfo record = settings_.Snapshot();
  facts.userName = record.UserName;
  if (IsLoggedIn(facts.state)) {
    if (const auto reply = snapshots_.UserProfile()) {
      facts.account = AccountFactsOf(reply->Profile);
      facts.paymentDue = view_.Image1Visible;
    }
    facts.address = CurrentIp();
    if (!facts.address.empty()) facts.addressSince = addressSince_;
    facts.lastAnswer = lastAnswer_;
    facts.domainCount = DomainCount();
  }
  facts.lastError = client_.LastErrorText();
  facts.serviceListFetching = view_.ServiceListFetching;
  facts.savePassword = view_.ChkBoxSavePwd;
  facts.startWithDesktop = view_.ChkBoxStartup;
  facts.runAsService = view_.ChkBoxRunAsService;
  facts.reportSystemInfo = view_.suiCheckBoxUpdateSysInfo;
  return facts;
}

// --- service list -----------------------------------------------------------------------------

void SessionController::StartServiceListFetch() {
  std::erase_if(getServiceTrds_, [](const auto& worker) { return worker->Finished(); });
  getServiceTrds_.push_back(std::make_unique<TGetServiceTrd>(client_, signals_, settings_, inbox_,
                                                             options_.pace, ++fetchesStarted_));
  ++fetchesRunning_;
  view_.ServiceListFetching = true;
}

void SessionController::RefreshServiceList() {
  AssertOwnerThread();
  // A refresh while a fetch is under way joins it: repeated clicks queue no exchanges ahead of
  // the address checks that share the one connection to the service.
  if (Mark() == 1 && fetchesRunning_ == 0) {
    StartServiceListFetch();
    Changed();
  }
}

void SessionController::ShowAccountAddress() {
  AssertOwnerThread();
  ShowAddress(CurrentIp(), DomainCount(), view_);
  Changed();
}

std::optional<std::uint32_t> SessionController::DomainCount() const {
  const auto list = ServiceList();
  if (!list) return std::nullopt;
  return static_cast<std::uint32_t>(list->DomainInfos.size());
}

void SessionController::SetServiceList(std::shared_ptr<const protocol::TGetServiceListResp> list) {
  snapshots_.PublishServiceList(std::move(list));
}

std::string SessionController::CurrentIp() const {
  AssertOwnerThread();
  return updateIpTrd_ ? updateIpTrd_->CurrentIp() : std::string();
}

bool SessionController::IpFailFlag() const {
  AssertOwnerThread();
  return updateIpTrd_ && updateIpTrd_->IpFailFlag();
}

// --- worker messages --------------------------------------------------------------------------

void SessionController::Inbox::PostIpStatus(std::string text, bool connectionFailure) {
  controller_.PostToController([&controller = controller_, text = std::move(text),
                                connectionFailure] {
    controller.OnIpStatus(text, connectionFailure);
  });
}

void SessionController::Inbox::PostAutoLogonDone(
    std::shared_ptr<const protocol::TQueryUserProfileResp> profile) {
  controller_.PostToController([&controller = controller_, profile = std::move(profile)] {
    controller.OnAutoLogonDone(profile);
  });
}

void SessionController::Inbox::PostServiceList(ServiceListReply reply) {
  controller_.PostToController([&controller = controller_, reply = std::move(reply)] {
    controller.OnServiceList(reply);
  });
}

void SessionController::Inbox::PostActiveTestAnswered(bool answered) {
  controller_.PostToController(
      [&controller = controller_, answered] { controller.OnActiveTestAnswered(answered); });
}

void SessionController::OnIpStatus(const std::string& text, bool connectionFailure) {
  AssertOwnerThread();
  try {
    if (connectionFailure) {
      presenter_.Tell({runtime::NoticeKind::Tip, text});
      return;
    }
    ShowAddress(CurrentIp(), DomainCount(), view_);
    NoteAddress(CurrentIp());
    Changed();
    NotifyEvent(reminders::kNotifyTextKind, text);
  } catch (...) {
    // The display keeps what it had.
  }
}

void SessionController::SetAddressObserver(AddressObserver observer) {
  AssertOwnerThread();
  addressObserver_ = std::move(observer);
}

void SessionController::NoteAddress(const std::string& address) {
  if (address.empty() || address == lastAddress_) return;
  addressSince_ = signals_.clock().WallNow();
  const std::string previous = std::exchange(lastAddress_, address);
  if (addressObserver_) addressObserver_(address, previous);
}

void SessionController::OnAutoLogonDone(
    std::shared_ptr<const protocol::TQueryUserProfileResp> profile) {
  AssertOwnerThread();
  if (loginBusy_) {
    // A blocking manual login would have held this message back until its own outcome.
    autoLogonDoneHeld_ = std::move(profile);
    return;
  }
  try {
    snapshots_.PublishUserProfile(std::move(profile));
    LoginSucceeded();
  } catch (...) {
  }
}

void SessionController::OnServiceList(const ServiceListReply& reply) {
  AssertOwnerThread();
  // Every fetch ends with one reply, whatever it brings.
  if (fetchesRunning_ > 0) --fetchesRunning_;
  view_.ServiceListFetching = fetchesRunning_ > 0;
  try {
    // Of two fetches in flight, the one started later describes the newer login: its list
    // stays even when the earlier fetch answers after it.
    if (reply.list && reply.fetch >= newestFetchShown_) {
      newestFetchShown_ = reply.fetch;
      SetServiceList(reply.list);
      view_.DomainTree = reply.list;
      if (Mark() == 1) ShowAddress(CurrentIp(), DomainCount(), view_);
    }
    Changed();
    if (reply.replied && !reply.list) NotifyEvent(reminders::kNotifyTextKind, reply.errorText);
  } catch (...) {
  }
}

void SessionController::OnActiveTestAnswered(bool answered) {
  AssertOwnerThread();
  // A logout has already shown its own state.
  if (Mark() != 1) return;
  lastAnswer_ = answered || !updateIpTrd_ ? std::chrono::system_clock::time_point{}
                                          : updateIpTrd_->LastAnswered();
  ShowSessionState(answered ? DisplayState::Online : DisplayState::ConnectionFails);
}

// --- refusals ---------------------------------------------------------------------------------

void SessionController::ShowLastError(const std::string& text) {
  // Disarmed at once, so that the auto-logon worker cannot retry a refused password before the
  // controller's thread has handled the refusal.
  signals_.SetAutoLogonArmed(false);
  PostToController([this, text] {
    signals_.SetAutoLogonArmed(false);
    RefuseAndLogOut(text);
  });
}

void SessionController::RefuseAndLogOut(const std::string& text) {
  if (loginBusy_) refusedPwd_ = triedPwd_;
  // Another worker's identical refusal while its box is up adds nothing.
  if (openRefusals_.count(text) != 0) return;
  // No request goes out with the refused credentials from now on; what the window shows of the
  // logout follows once the user has read the box.
  signals_.SetMark(0);
  refused_ = true;
  openRefusals_.insert(text);
  presenter_.Tell({runtime::NoticeKind::Failure, text},
                  [this, alive = std::weak_ptr<int>(alive_), text] {
                    if (!alive.lock()) return;
                    openRefusals_.erase(text);
                    DoLogout(false);
                  });
}

}  // namespace kelbrin::session
