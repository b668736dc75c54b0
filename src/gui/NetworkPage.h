#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelbrin::gui {

class LinkLabel;
class WrappingLabel;

// TabSheet2, "Network Setting": how the machine reaches the Internet. The connection
// (cbbLineType), the line kind (cbbUType), the line's user name and password, "Auto-connect Way"
// (chkAutoConn) and "Save" (btSaveLineInfo), which stores the values and restarts the line when
// they changed; a tips panel says whether the machine has only inner addresses. The page holds
// no line itself: it asks the line holder through its seams. Main thread only.
class NetworkPage final : public QWidget {
  Q_OBJECT

 public:
  // The stored values the page edits (fields of the settings record).
  struct LineSettings {
    std::int32_t InternalLineType = 0;  // index into the line-type list
    std::string LineName{};
    std::string LineUserName{};
    std::string LineUserPwd{};
    bool AutoConn = false;
  };

  // What the page asks of the rest of the client; the composition root wires each. An unset
  // seam does nothing (lists come back empty, a line type needs credentials, the machine counts
  // as having a public address).
  struct Seams {
    // The machine's network connection names.
    std::function<std::vector<std::string>()> ConnectionNames{};
    // The display names of the line-type table, in table order.
    std::function<std::vector<std::string>()> LineTypeNames{};
    // Whether the line type at `index` (-1: none selected) needs a user name and password.
    std::function<bool(int index)> NeedsCredentials{};
    // Whether the connection `name` can carry the line type at `index`: a dial-up line only an
    // entry of the phonebook. Unset: any.
    std::function<bool(int index, const std::string& name)> LineNameUsable{};
    // The stored values, as the session's start loaded them.
    std::function<LineSettings()> ReadSettings{};
    // Puts the values into the settings record and writes the record to the store.
    std::function<void(const LineSettings&)> SaveSettings{};
    // The line holder's Apply: restarts the line when a value differs from those it runs with.
    // Ending the old line may take a while and does not hold the window: `done` runs on the
    // window's thread once it is over, also after a throw (when no line can be made for the
    // type).
    std::function<void(int lineType, const std::string& lineName, const std::string& password,
                       const std::string& userName, std::function<void()> done)>
        ApplyLine{};
    // The line holder's keep-alive switch.
    std::function<void(bool keepActive)> SetKeepActive{};
    // The Internet-reachability flag, refreshed by the line-state timer.
    std::function<bool()> NetReachable{};
    // Whether every local address of the machine is an inner (private) one.
    std::function<bool()> IsLanOnly{};
    // The sliding notification popup.
    std::function<void(const std::string& title, const std::string& text)> ShowHintPopup{};
    // A box with the error icon, owned by the main window.
    std::function<void(const std::string& caption, const std::string& text)> ShowErrorBox{};
  };

  explicit NetworkPage(Seams seams, QWidget* parent = nullptr);

  // The page's OnShow and OnEnter: tips emptied; the first time in the run the stored values come
  // into the controls and the connection list is filled (a stored connection that is not among
  // them raises the warning popup); the credential fields follow the line type; then the tips.
  void TabSheet2Show();
  // The user name and password fields and their labels show exactly when the selected line type
  // needs them.
  void cbbUTypeChange();
  // "Save": checks the credentials, stores the values, and hands them to the line holder when
  // they differ from those of the last save. Until the holder is done the button is disabled
  // and the page shows the busy cursor.
  void btSaveLineInfoClick();
  // "Auto-connect Way" clicked: the keep-alive follows at once; the stored value waits for Save.
  void chkAutoConnClick();
  // "How to map ports? ": the help page in the user's browser.
  void labelLan1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The stored values into the controls, without running any handler.
  void LoadSettings();
  void FillConnections(const std::string& lineName);
  void ShowTips();
  bool NeedsCredentials(int index) const;
  // The sign that the line holder is still at work: Save disabled, the busy cursor.
  void ShowApplying(bool applying);

  Seams seams_;
  // The connection list is filled once per run.
  bool connectionsFilled_ = false;
  // The values the last save handed to the line holder.
  struct AppliedLine {
    int lineType = 0;
    std::string lineName, password, userName;
    bool operator==(const AppliedLine&) const = default;
  };
  std::optional<AppliedLine> applied_;
  QComboBox* cbbLineType;
  QComboBox* cbbUType;
  QLabel* Label7;
  QLineEdit* edLineUserName;
  QLabel* Label6;
  QLineEdit* edLineUserPwd;
  QCheckBox* chkAutoConn;
  QPushButton* btSaveLineInfo;
  WrappingLabel* Label31;
  LinkLabel* labelLan1;
};

}  // namespace kelbrin::gui
