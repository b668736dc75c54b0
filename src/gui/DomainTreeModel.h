#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <chrono>
#include <memory>

#include "protocol/TGetServiceListResp.h"

namespace kelbrin::gui {

// The model behind TreeViewDNS: a root "List", one node per domain of a service-list snapshot
// and one node per DNS record under its domain. Nodes are read from the snapshot when the view
// asks for them, so a list of any length is shown at once. Main thread only.
class DomainTreeModel final : public QAbstractItemModel {
  Q_OBJECT

 public:
  // The node's index in the tree's image list: root 4, domain in service 5, lapsed domain 9,
  // DNS record 6.
  static constexpr int kIconIndexRole = Qt::UserRole + 1;
  static constexpr int kRootIcon = 4;
  static constexpr int kInServiceIcon = 5;
  static constexpr int kLapsedIcon = 9;
  static constexpr int kRecordIcon = 6;

  enum class NodeKind { None, Root, Domain, Record };

  explicit DomainTreeModel(QObject* parent = nullptr);

  // Shows `list` (root plus its domains); a domain counts as in service while `today` lies
  // before its end date. A null list leaves an empty tree.
  void SetList(std::shared_ptr<const protocol::TGetServiceListResp> list,
               std::chrono::year_month_day today);
  const std::shared_ptr<const protocol::TGetServiceListResp>& List() const { return list_; }

  QModelIndex RootIndex() const;
  NodeKind KindOf(const QModelIndex& index) const;
  // The domain a domain or record node belongs to, and a record node's record.
  const protocol::TDomainInfoSchema& DomainOf(const QModelIndex& index) const;
  const protocol::TResourceInfoSchema& RecordOf(const QModelIndex& index) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

 private:
  int IconIndex(const QModelIndex& index) const;

  std::shared_ptr<const protocol::TGetServiceListResp> list_;
  std::chrono::year_month_day today_;
  QIcon icons_[4];  // list, in service, lapsed, record
};

}  // namespace kelbrin::gui
