#pragma once

#include <QDialog>
#include <QPointer>

class QTreeWidget;
class QTreeWidgetItem;

namespace kelbrin::sysinfo {
class TSysInfo;
struct SysInfoNode;
}  // namespace kelbrin::sysinfo

namespace kelbrin::gui {

// "系统信息": the collector's facts as a tree, rebuilt every time the window is shown. A fact
// that cannot be read ends the tree where it occurs and is reported in an error box.
class TFrmSysInfo final : public QDialog {
  Q_OBJECT

 public:
  // Each item keeps the index of its picture under this role.
  static constexpr int kImageRole = Qt::UserRole + 1;

  TFrmSysInfo(sysinfo::TSysInfo& sysInfo, QWidget* parent = nullptr);

  // The main window's menu entry: creates the window in `instance` on first use (owned by
  // `mainWindow`) and shows that one instance, centred on `mainWindow`, without waiting for it.
  static TFrmSysInfo* Open(QPointer<TFrmSysInfo>& instance, sysinfo::TSysInfo& sysInfo,
                           QWidget* mainWindow);

  // Shows the window modally without a nested event loop, centred on `over` when it is visible.
  void ShowModal(const QWidget* over);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const sysinfo::SysInfoNode& node);

  sysinfo::TSysInfo& sysInfo_;
  QTreeWidget* treeView1_;
  QList<QIcon> imageList1_;  // by the tree's picture index; unused indexes hold no icon
};

}  // namespace kelbrin::gui
