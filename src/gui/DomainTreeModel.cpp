#include "gui/DomainTreeModel.h"

#include "domains/DomainLines.h"
#include "gui/JpegImage.h"
#include "gui/UiText.h"

namespace kelbrin::gui {

namespace {

// An index's internal id names its parent: the root node has none, a domain node has the root,
// a record node has domain (id - kFirstDomainParent).
constexpr quintptr kRootId = 0;
constexpr quintptr kDomainId = 1;
constexpr quintptr kFirstDomainParent = 2;

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

DomainTreeModel::DomainTreeModel(QObject* parent)
    : QAbstractItemModel(parent),
      icons_{ProgramIcon(QStringLiteral("DOMAIN_LIST")),
             ProgramIcon(QStringLiteral("DOMAIN_IN_SERVICE")),
             ProgramIcon(QStringLiteral("DOMAIN_LAPSED")),
             ProgramIcon(QStringLiteral("DOMAIN_RECORD"))} {}

void DomainTreeModel::SetList(std::shared_ptr<const protocol::TGetServiceListResp> list,
                              std::chrono::year_month_day today) {
  beginResetModel();
  list_ = std::move(list);
  today_ = today;
  endResetModel();
}

QModelIndex DomainTreeModel::RootIndex() const { return index(0, 0); }

DomainTreeModel::NodeKind DomainTreeModel::KindOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return NodeKind::None;
  switch (index.internalId()) {
    case kRootId:
      return NodeKind::Root;
    case kDomainId:
      return NodeKind::Domain;
    default:
      return NodeKind::Record;
  }
}

const protocol::TDomainInfoSchema& DomainTreeModel::DomainOf(const QModelIndex& index) const {
  const auto row = KindOf(index) == NodeKind::Record ? index.internalId() - kFirstDomainParent
                                                     : static_cast<quintptr>(index.row());
  return list_->DomainInfos.at(row);
}

const protocol::TResourceInfoSchema& DomainTreeModel::RecordOf(const QModelIndex& index) const {
  return DomainOf(index).ResourceInfos.at(static_cast<std::size_t>(index.row()));
}

QModelIndex DomainTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0 || row >= rowCount(parent)) return {};
  switch (KindOf(parent)) {
    case NodeKind::None:
      return createIndex(row, 0, kRootId);
    case NodeKind::Root:
      return createIndex(row, 0, kDomainId);
    case NodeKind::Domain:
      return createIndex(row, 0, kFirstDomainParent + static_cast<quintptr>(parent.row()));
    case NodeKind::Record:
      break;
  }
  return {};
}

QModelIndex DomainTreeModel::parent(const QModelIndex& child) const {
  switch (KindOf(child)) {
    case NodeKind::Domain:
      return createIndex(0, 0, kRootId);
    case NodeKind::Record:
      return createIndex(static_cast<int>(child.internalId() - kFirstDomainParent), 0, kDomainId);
    default:
      return {};
  }
}

int DomainTreeModel::rowCount(const QModelIndex& parent) const {
  if (!list_ || parent.column() > 0) return 0;
  switch (KindOf(parent)) {
    case NodeKind::None:
      return 1;
    case NodeKind::Root:
      return static_cast<int>(list_->DomainInfos.size());
    case NodeKind::Domain:
      return static_cast<int>(DomainOf(parent).ResourceInfos.size());
    case NodeKind::Record:
      break;
  }
  return 0;
}

int DomainTreeModel::columnCount(const QModelIndex&) const { return 1; }

int DomainTreeModel::IconIndex(const QModelIndex& index) const {
  switch (KindOf(index)) {
    case NodeKind::Root:
      return kRootIcon;
    case NodeKind::Domain:
      return domains::DomainInService(DomainOf(index), today_) ? kInServiceIcon : kLapsedIcon;
    case NodeKind::Record:
      return kRecordIcon;
    case NodeKind::None:
      break;
  }
  return -1;
}

QVariant DomainTreeModel::data(const QModelIndex& index, int role) const {
  const NodeKind kind = KindOf(index);
  if (kind == NodeKind::None || !list_) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:  // the whole name where the column cuts it
      if (kind == NodeKind::Root) return UiText("List");
      if (kind == NodeKind::Domain) return FromUtf8(domains::DomainNodeText(DomainOf(index)));
      return FromUtf8(RecordOf(index).KeyName);
    case Qt::DecorationRole:
      switch (IconIndex(index)) {
        case kRootIcon:
          return icons_[0];
        case kInServiceIcon:
          return icons_[1];
        case kLapsedIcon:
          return icons_[2];
        default:
          return icons_[3];
      }
    case kIconIndexRole:
      return IconIndex(index);
    default:
      return {};
  }
}

}  // namespace kelbrin::gui
