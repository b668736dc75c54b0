#include "gui/LogListModel.h"

#include "eventlog/LogFormat.h"
#include "gui/JpegImage.h"
#include "gui/UiText.h"

namespace kelbrin::gui {

LogListModel::LogListModel(eventlog::LogList& list, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      kindIcons_{ProgramIcon(QStringLiteral("LOG_TIP")), ProgramIcon(QStringLiteral("LOG_WARNING")),
                 ProgramIcon(QStringLiteral("LOG_ERROR"))} {
  list_.AddObserver(this);
}

LogListModel::~LogListModel() { list_.RemoveObserver(this); }

int LogListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

int LogListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant LogListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<std::size_t>(index.row()) >= list_.size()) return {};
  const eventlog::TLogRec& entry = list_.at(static_cast<std::size_t>(index.row()));
  // Narrow columns cut long texts; the tooltip shows them whole.
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    switch (index.column()) {
      case kSign:
        return UiText(eventlog::LogKindName(entry.kind));
      case kMessage:
        return UiText(entry.text);
      case kDateTime:
        return QString::fromStdString(eventlog::FormatLogTime(entry.time));
      default:
        return {};
    }
  }
  if (role == Qt::DecorationRole && index.column() == kSign) {
    // Kinds beyond error show the tip's icon.
    return kindIcons_[entry.kind < kindIcons_.size() ? entry.kind : 0];
  }
  return {};
}

QVariant LogListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kSign:
      return UiText("Sign");
    case kMessage:
      return UiText("Message");
    case kDateTime:
      return UiText("Date/Time");
    default:
      return {};
  }
}

void LogListModel::OnLogRowsRemoving(std::size_t first, std::size_t last) {
  beginRemoveRows({}, static_cast<int>(first), static_cast<int>(last));
}

void LogListModel::OnLogRowsRemoved() { endRemoveRows(); }

void LogListModel::OnLogRowInserting() { beginInsertRows({}, 0, 0); }

void LogListModel::OnLogRowInserted(const eventlog::TLogRec&) { endInsertRows(); }

}  // namespace kelbrin::gui
