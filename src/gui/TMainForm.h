#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "eventlog/EventLog.h"
#include "gui/NetworkPage.h"
#include "gui/SettingsBoxes.h"
#include "reminders/LoopEventModel.h"
#include "runtime/Presenter.h"
#include "session/SessionFront.h"
#include "settings/ParamInfo.h"

namespace kelbrin::sysinfo {
class TSysInfo;
}

class QAbstractButton;
class QAction;
class QKeyEvent;
class QMenu;
class QMenuBar;
class QStackedWidget;

namespace kelbrin::gui {

class AdvancedServicePage;
class BannerPanel;
class DomainPage;
class PageButtonRow;
class StatePage;
class TFAbout;
class TFrmSysInfo;
class TLoopEventFrm;
class TrayIcon;

// The client's main window: a frameless 532 x 402 window with its own title bar, the banner,
// the link row with the menu bar, five pages chosen by a row of page buttons, a bottom bar, and
// the icon in the notification area. It renders the session controller's view and sends the
// user's input to it. Closing, minimising and the window manager's close only hide it to the
// notification area (or minimise it to the task bar while the desktop has none); only the exit
// action ends the program. Main thread only.
//
// Destroy the window before stopping the controller's workers: that removes the tray icon first.
class TMainForm final : public QWidget {
  Q_OBJECT

 public:
  enum Page { kStatePage = 0, kNetworkPage, kDomainPage, kServicePage, kLogPage };

  // What the "Network Setting" page needs of the line area, which the composition root owns.
  // Without them the connection list is empty and Save stores the values only.
  struct NetworkLineHooks {
    // TLineFactory::GetConnectionNames over the machine's connection sources.
    decltype(NetworkPage::Seams::ConnectionNames) ConnectionNames{};
    // Apply of the line holder (may throw when no line can be made for the type).
    decltype(NetworkPage::Seams::ApplyLine) ApplyLine{};
    // SetKeepActive of the line holder.
    decltype(NetworkPage::Seams::SetKeepActive) SetKeepActive{};
    // Whether a name is an entry of the machine's dial-up phonebook; unset: any name is.
    std::function<bool(const std::string& name)> IsDialUpEntry{};
  };

  // Everything the window works with, handed over once at construction; the window does not
  // know where they come from (see WindowServices for the composition root's).
  struct Services {
    // The session the window shows: this process's or the attached service's.
    session::SessionFront& session;
    // Shows the settings boxes' message boxes (the controller's own presenter).
    runtime::Presenter& presenter;
    // The record the "Network Setting" page reads and fills before the session saves it.
    settings::ParamInfoStore& settings;
    eventlog::EventLog& eventLog;
    // The reminder settings the reminder dialog edits.
    reminders::LoopEventModel& reminders;
    NetworkLineHooks network{};
    // The collector the system information window shows; enables "System Information(&S)".
    sysinfo::TSysInfo* sysInfo = nullptr;
    // The past public addresses the Log page can show.
    std::function<std::vector<std::string>()> addressHistory{};
    // Installing and uninstalling the client's service for ChkBoxRunAsService.
    SettingsBoxes::ServiceAction installService{};
    SettingsBoxes::ServiceAction uninstallService{};
    // "Quit (&X)" of the tray menu and "Quit(&X)" of the menu bar; its handler depends on the
    // run mode. Without one, the application quits.
    std::function<void()> exitAction{};
  };

  explicit TMainForm(Services services, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Makes the window visible, raises it and gives it the focus (centred on first showing):
  // the tray's "MainForm(&M)", a second start's hand-over, the controller's ShowMainWindow.
  void ShowFromTray();
  // Hides the window to the tray icon; without a tray host it is minimised to the task bar
  // instead, since a hidden window could not be brought back.
  void HideToTray();
  // A window left hidden at start (a saved password) is minimised to the task bar while there is
  // no tray host to bring it back from.
  void KeepReachable();
  // The tray icon's click: hides a showing window, shows a hidden one.
  void CoolTrayIconClick();

  // PageControl1: switches to `page` (0 to 4) and marks its page button.
  void SetActivePage(int page);
  int ActivePage() const;

  // Plays the banner from its start (at each login).
  void RestartBanner();
  // The settings through the controls: what they hold goes to the record and the store.
  void SaveSettings();

  void ShowAbout();
  void ShowAlertSetup();

  TrayIcon& Tray() const { return *tray_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QAbstractButton* pageButtonFor(const QKeyEvent& key) const;
  QWidget* MakeTitleBar();
  QWidget* MakeLinkRow();
  QWidget* MakeBottomBar();
  void MakeMenus(QMenuBar* bar);
  QAction* AddAction(QMenu* menu, const char* name, const QString& text);
  void ShowView(const session::SessionView& view);
  void ActionMainMenuBar1Popup();
  void Label19Click(int page);
  void EnsureLogPage();
  void ExitProgram();
  void PlaceOnce();

  // The line settings of the record, and the page's values put into it.
  NetworkPage::LineSettings StoredLineSettings() const;
  void PutLineSettings(const NetworkPage::LineSettings& values);

  const Services services_;
  session::SessionFront& controller_;
  runtime::Presenter& presenter_;
  BannerPanel* banner_;
  PageButtonRow* pageButtons_;
  QStackedWidget* pages_;
  StatePage* statePage_;
  DomainPage* domainPage_;
  QAction* sysSummary_ = nullptr;
  QPointer<TFrmSysInfo> frmSysInfo_;
  AdvancedServicePage* servicePage_;
  QWidget* logSheet_;
  SettingsBoxes* settingsBoxes_;
  QAction* login_ = nullptr;   // Action2
  QAction* cancel_ = nullptr;  // Action3
  std::unique_ptr<TrayIcon> tray_;
  std::unique_ptr<TFAbout> about_;
  std::unique_ptr<TLoopEventFrm> loopEventFrm_;
  bool placed_ = false;
  bool loggedIn_ = false;
  QPoint dragOffset_;
  bool dragging_ = false;
};

}  // namespace kelbrin::gui
