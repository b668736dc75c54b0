#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <array>

#include "eventlog/LogList.h"
#include "eventlog/LogListObserver.h"

namespace kelbrin::gui {

// The event log as a table for the "Log" page: rows are the entries of the core's LogList, read
// on request (nothing is copied); columns "Sign", "Message", "Date/Time". Follows the list's
// changes as they happen. Main thread only, like the list.
class LogListModel final : public QAbstractTableModel, private eventlog::LogListObserver {
  Q_OBJECT

 public:
  enum Column { kSign = 0, kMessage = 1, kDateTime = 2, kColumnCount = 3 };

  explicit LogListModel(eventlog::LogList& list, QObject* parent = nullptr);
  ~LogListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  void OnLogRowsRemoving(std::size_t first, std::size_t last) override;
  void OnLogRowsRemoved() override;
  void OnLogRowInserting() override;
  void OnLogRowInserted(const eventlog::TLogRec& entry) override;

  eventlog::LogList& list_;
  std::array<QIcon, 3> kindIcons_;  // tip, warning, error
};

}  // namespace kelbrin::gui
