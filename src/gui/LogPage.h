#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "eventlog/EventLog.h"

class QPushButton;
class QTableView;

namespace kelbrin::gui {

class LogListModel;

// The "Log" page: the event log as a read-only table (`ListViewLog`) with the buttons
// `BtnClearLog` and `BtnSaveLog` below it, right-aligned. The columns are at least as wide as
// their longest texts need in the page's font ("Warning" with its icon, a whole date and time);
// until the user sizes it, "Message" takes the rest of the table's width, so the table needs no
// horizontal scroll bar. Main thread only.
class LogPage final : public QWidget {
  Q_OBJECT

 public:
  // Asks "Are you sure？" before a clear; true on OK.
  using ConfirmClear = std::function<bool(QWidget* parent)>;
  // Asks where to save, offering `suggestedName`; an empty path when the user cancels.
  using ChooseSaveFile = std::function<QString(QWidget* parent, const QString& suggestedName)>;
  // The free-text notification that follows a clear ("Clear log！").
  using NotifyText = std::function<void(const std::string& text)>;

  LogPage(eventlog::EventLog& log, NotifyText notify, QWidget* parent = nullptr);

  // Tests replace the two dialogs; the defaults are the real message box and file dialog.
  void SetDialogs(ConfirmClear confirm, ChooseSaveFile choose);

  // The past public addresses, one line of the history file each ("time address", the time in
  // UTC), oldest first; the box shows their times in local time as the log does.
  using AddressHistory = std::function<std::vector<std::string>()>;
  // Shows the button `BtnAddressHistory`, which lists them in a box.
  void SetAddressHistory(AddressHistory history);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct ColumnWidth {
    int initial;
    int min;
    int max;
  };

  void BtnClearLogClick();
  void BtnSaveLogClick();
  void BtnAddressHistoryClick();
  void KeepColumnWidthsInRange(int column, int width);
  void FitMessageColumn();
  int TextWidth(const QString& text, bool withIcon) const;

  eventlog::EventLog& log_;
  NotifyText notify_;
  ConfirmClear confirmClear_;
  ChooseSaveFile chooseSaveFile_;
  LogListModel* model_;
  QTableView* ListViewLog;
  QPushButton* BtnClearLog;
  QPushButton* BtnSaveLog;
  QPushButton* BtnAddressHistory;
  AddressHistory addressHistory_;
  std::array<ColumnWidth, 3> widths_{};
  bool fittingMessage_ = false;
  bool messageSizedByUser_ = false;
};

}  // namespace kelbrin::gui
