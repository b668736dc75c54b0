#include "client/ClientRoot.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "client/LineNewsReport.h"
#include "eventlog/TLogRec.h"
#include "lines/DialUpRegistration.h"
#include "lines/LineNews.h"
#include "lines/StoredLineStart.h"
#include "protocol/HttpTransport.h"
#include "runtime/Translate.h"
#include "session/Credentials.h"
#include "session/ProfileDisplay.h"
#include "sysinfo/IpHelper.h"

namespace kelbrin::client {

namespace {

// The settings value naming the program run on each new public address.
constexpr const char* kAddressCommandValue = "AddressChangeCommand";

}  // namespace

ClientRoot::ClientRoot(runtime::EventLoop& loop, runtime::Clock& clock,
                       runtime::Presenter& presenter, ClientOptions options,
                       std::unique_ptr<protocol::Transport> transport)
    : loop_(loop),
      clock_(clock),
      presenter_(presenter),
      options_(std::move(options)),
      transport_(transport ? std::move(transport) : std::make_unique<protocol::HttpTransport>()),
      pelmar_(*transport_, &router_),
      signals_(clock),
      eventLog_(clock, [this] { return reminderModel_.Checks(reminders::kNoWanIpKind).windows; }),
      dispatcher_(signals_, eventItems_, eventLog_, presenter),
      session_(loop, presenter, pelmar_,
               session::SessionServices{.signals = signals_,
                                        .settings = settings_,
                                        .eventLog = eventLog_,
                                        .reminders = reminderModel_,
                                        .dispatcher = dispatcher_},
               session::SessionOptions{options_.pace, options_.settingsBackend}),
      pppd_([this] {
        platform::PppdSetup setup = options_.dialUp;
        // The hang-up bound keeps the pace of every other interval (--time-scale).
        setup.hangUpBound =
            std::chrono::duration_cast<std::chrono::milliseconds>(options_.pace.hangUpBound);
        return setup;
      }()),
      // NetworkManager's dial-up connections share pppd's private folder and hang-up bound.
      nmDialUp_({.privateDir = pppd_.Setup().privateDir, .hangUpBound = pppd_.Setup().hangUpBound}),
      phonebook_({&pppd_, &nmDialUp_}, pppd_.Setup().netClassDir),
      sysInfo_({.root = platform::kSystemRoot,
                .getAdapters =
                    [](int& count, sysinfo::TAdaptorRows& rows) {
                      return sysinfo::GetAdapters(count, rows);
                    },
                .connectionNames =
                    [this] {
                      std::vector<std::string> names;
                      lines::ListNetworkConnections(names, connections_);
                      return names;
                    },
                .connectionAdapterIndex =
                    [this](const std::string& name) {
                      return static_cast<int>(lines::ConnectionAdapterIndex(name, connections_));
                    }}) {
  connections_.dialUpEntries = [this] { return lines::DialUpConnections(phonebook_); };
  if (options_.addressHistory) history_.emplace(*options_.addressHistory);
  const std::string command = options_.settingsBackend->ReadValue(kAddressCommandValue);
  if (!command.empty()) {
    addressCommand_ = std::make_unique<AddressCommand>(
        command, options_.addressCommandBound, [this](bool ok, std::string text) {
          PostToLoop([this, ok, text = std::move(text)] {
            eventLog_.AddLog(ok ? eventlog::kLogTip : eventlog::kLogError, text);
          });
        });
  }
  session_.SetAddressObserver(
      [this](const std::string& address, const std::string& previous) {
        OnNewAddress(address, previous);
      });
  pelmar_.SetEndpoint(options_.endpoint);
  pelmar_.SetTimeouts(options_.pace);
  router_.onRefusal = [this](const std::string& text) { session_.ShowLastError(text); };
  // A portal line logs in again; the other kinds have nothing to do.
  router_.onConnectionFailure = [this] {
    PostToLoop([this] {
      if (activeLine_) activeLine_->Authenticate();
    });
  };
}

ClientRoot::~ClientRoot() { Shutdown(); }

void ClientRoot::InitClient(bool serviceMode) {
  session_.InitClient(serviceMode, [this] { StartLine(); });
  StartAddressWatch();
  // Without the kernel's notices of the addresses and routes, the line's state is polled.
  if (!addressWatch_) {
    lineStateTimer_.emplace(loop_, options_.pace, [this](bool reachable) {
      session_.SetNetReachable(reachable);
      LineChanged();
    });
  }
  StartSystemReport();
  StartReminderChecks(serviceMode);
}

void ClientRoot::StartAddressWatch() {
  if (!options_.watchAddresses) return;
  // The extra active test after an address change is the user's choice; the line's state and
  // the reminders follow the changes whatever it is.
  const bool activeTestOnChange = settings_.Snapshot().ImmediateUpdate;
  try {
    addressWatch_ = options_.watchAddresses([this, activeTestOnChange] {
      if (activeTestOnChange) session_.AddressChanged();
      PostToLoop([this] { NetworkChanged(); });
    });
  } catch (const std::exception&) {
    // Without the watch the active tests keep their pace, the line's state and the reminders
    // are polled.
  }
}

void ClientRoot::NetworkChanged() {
  // A dial-up link that went down is heard at once by the line's keep-alive.
  if (activeLine_ && activeLine_->Line() != nullptr) activeLine_->Line()->LinkChanged();
  session_.SetNetReachable(lines::IsNetReachable());
  LineChanged();
  // A host left with LAN addresses only is told by the address check.
  if (reminderChecks_) reminderChecks_->SourcesChanged();
}

void ClientRoot::StartLine() {
  const settings::TParamInfo stored = settings_.Snapshot();
  lines::LineEnvironment environment;
  environment.clock = &clock_;
  environment.keepInterval = options_.pace.lineKeepInterval;
  environment.rawRequest = [this](std::string_view method, std::string_view url,
                                  std::string_view body) {
    return pelmar_.RawExchange(method, url, body);
  };
  environment.portalProbeUrl = stored.PortalProbeUrl;
  environment.connectionAdapterIndex = [this](const std::string& name) {
    return lines::ConnectionAdapterIndex(name, connections_);
  };
  // Why the Internet line is down, or that it is up again: told once per change.
  environment.lineNews = [this](const lines::LineNews& news) {
    PostToLoop([this, news] {
      ReportLineNews(news, eventLog_, presenter_);
      LineChanged();
    });
  };
  lineFactory_.emplace(std::move(environment));
  lines::RegisterDialUp(*lineFactory_, lines::TDailLineSeams{phonebook_,
                                                             [this](std::function<void()> task) {
                                                               PostToLoop(std::move(task));
                                                             },
                                                             lines::AdapterIndexOfAddress});
  if (options_.registerLineKinds) options_.registerLineKinds(*lineFactory_);
  activeLine_.emplace(*lineFactory_,
                      [this](lines::LinePtr line) { lineReaper_->Free(std::move(line)); });
  if (!lines::StartStoredLine(*activeLine_, stored)) {
    presenter_.Tell({runtime::NoticeKind::LineProblem, lines::kUnusualConnectionText});
  }
  session_.SetNetReachable(lines::IsNetReachable());
}

void ClientRoot::StartSystemReport() {
  sysinfo::ReportSeams seams;
  seams.account = [this] {
    const protocol::Credentials credentials = session::CurrentCredentials(settings_);
    return sysinfo::ReportAccount{credentials.UserName, credentials.UserPwd};
  };
  seams.send = [this](const std::string& document) { return pelmar_.PostReport(document); };
  seams.resultCode = [this](int code) { pelmar_.ResultCodeText(code); };
  systemReport_.emplace(
      loop_, options_.pace, sysInfo_, [this] { return session_.Mark() == 1; },
      [this] { return settings_.Snapshot().UpdateSysInfo; }, std::move(seams));
}

void ClientRoot::StartReminderChecks(bool serviceMode) {
  versionQuery_.emplace(loop_, [this] { return pelmar_.QueryLatestVersion(); });
  reminders::ReminderSources sources;
  sources.IsOnline = [this] { return session_.Mark() == 1; };
  sources.UserProfile = [this] { return session_.UserProfile(); };
  sources.ServiceList = [this] { return session_.ServiceList(); };
  sources.PaymentNoticeVisible = [this] { return session_.View().labFKXZUrlVisible; };
  sources.Today = [this] { return session::LocalDate(session_.WallNow()); };
  sources.UntilNextDay = [this] { return session::UntilNextLocalDay(session_.WallNow()); };
  sources.NetReachable = [this] { return session_.NetReachable(); };
  sources.IsLanOnly = [] { return sysinfo::IsLanOnly(); };
  sources.QueryLatestVersion = [this](std::function<void(const std::string&)> done) {
    (*versionQuery_)(std::move(done));
  };
  sources.NotifyEvent = [this](int kind, const std::string& text, int selector,
                               const std::string& argument) {
    session_.NotifyEvent(kind, text, selector, argument);
  };
  // A desktop reminds its user of an outdated version again and again; the service's journal
  // needs to hear it once per run.
  reminderChecks_.emplace(
      loop_, options_.pace, std::move(sources),
      serviceMode ? reminders::VersionReminder::OncePerRun : reminders::VersionReminder::EveryPass);
  // The session tells every change of its view; the addresses' changes come with the watch.
  // Without the watch a LAN-only host would go unnoticed, so the checks then run on every tick.
  session_.SetChangeListener([this] {
    if (reminderChecks_) reminderChecks_->SourcesChanged();
  });
  reminderChecks_->Start(addressWatch_ ? reminders::ReminderWake::OnlyWhenDue
                                       : reminders::ReminderWake::EveryTick);
}

std::vector<std::string> ClientRoot::AddressHistoryLines() const {
  std::vector<std::string> lines;
  if (!history_) return lines;
  try {
    for (const auto& record : history_->Read()) {
      lines.push_back(eventlog::AddressHistory::FormatLine(record));
    }
  } catch (const std::exception&) {  // an unreadable file shows as an empty history
  }
  return lines;
}

std::vector<std::string> ClientRoot::ConnectionNames() const {
  std::vector<std::string> names;
  lines::TLineFactory::GetConnectionNames(&names, connections_);
  return names;
}

bool ClientRoot::IsDialUpEntry(const std::string& name) const {
  if (!connections_.dialUpEntries) return false;
  const std::vector<platform::NetConnection> entries = connections_.dialUpEntries();
  return std::any_of(entries.begin(), entries.end(),
                     [&name](const platform::NetConnection& entry) { return entry.name == name; });
}

void ClientRoot::ApplyLine(int lineType, const std::string& entryName, const std::string& password,
                           const std::string& userName, std::function<void()> done) {
  const auto afterFrees = [this, &done] {
    if (done && lineReaper_) lineReaper_->AfterFrees([this, done] { PostToLoop(done); });
  };
  try {
    if (activeLine_) activeLine_->Apply(lineType, entryName, password, userName);
  } catch (...) {
    afterFrees();
    LineChanged();
    throw;
  }
  afterFrees();
  LineChanged();
}

void ClientRoot::SetLineKeepActive(bool keepActive) {
  if (activeLine_) activeLine_->SetKeepActive(keepActive);
  LineChanged();
}

void ClientRoot::Shutdown() {
  // First: its thread calls into the session.
  addressWatch_.reset();
  // The session aborts the exchange in flight, so every worker below ends at once.
  session_.Shutdown();
  session_.SetChangeListener({});
  reminderChecks_.reset();
  versionQuery_.reset();
  systemReport_.reset();
  lineStateTimer_.reset();
  activeLine_.reset();
  // Waits for the lines let go of: their workers use the exchange and post to this root.
  lineReaper_.reset();
  addressCommand_.reset();
  alive_.reset();
}

void ClientRoot::OnNewAddress(const std::string& address, const std::string& previous) {
  // Text that is not an address is never handed to the user's program as one.
  if (!eventlog::AddressHistory::IsAddressLiteral(address)) return;
  std::string last = previous;
  if (history_) {
    try {
      // After a restart the session knows no previous address; the history does.
      const std::vector<eventlog::AddressRecord> records = history_->Read();
      if (!records.empty()) last = records.back().address;
      if (address == last) return;
      history_->Append(std::chrono::system_clock::now(), address);
    } catch (const std::exception& error) {
      eventLog_.AddLog(
          eventlog::kLogError,
          runtime::Translate("The address history was not written: %1", {error.what()}));
    }
  } else if (address == last) {
    return;
  }
  if (addressCommand_) addressCommand_->Run(address, last);
}

void ClientRoot::PostToLoop(std::function<void()> task) {
  loop_.Post([alive = std::weak_ptr<int>(alive_), task = std::move(task)] {
    // The root is destroyed on the loop's own thread, so it cannot vanish during the task.
    if (alive.lock()) task();
  });
}

}  // namespace kelbrin::client
