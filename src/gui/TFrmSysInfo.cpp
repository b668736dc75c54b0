#include "gui/TFrmSysInfo.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/ProgramFont.h"
#include "sysinfo/SysInfoTree.h"

namespace kelbrin::gui {

TFrmSysInfo::TFrmSysInfo(sysinfo::TSysInfo& sysInfo, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      sysInfo_(sysInfo),
      treeView1_(new QTreeWidget(this)) {
  setObjectName(QStringLiteral("TFrmSysInfo"));
  setWindowTitle(QString::fromUtf8("系统信息"));
  setFont(ProgramFont());
  setFixedSize(397, 304);

  for (int index = 0; index <= sysinfo::kImageNetwork; ++index) {
    const QString name = QStringLiteral(":/icons/SYSINFO_%1").arg(index);
    imageList1_.append(QFile::exists(name) ? QIcon(name) : QIcon());
  }

  treeView1_->setObjectName(QStringLiteral("TreeView1"));
  treeView1_->setHeaderHidden(true);
  treeView1_->setIndentation(19);
  treeView1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  treeView1_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(treeView1_);
}

TFrmSysInfo* TFrmSysInfo::Open(QPointer<TFrmSysInfo>& instance, sysinfo::TSysInfo& sysInfo,
                               QWidget* mainWindow) {
  if (instance == nullptr) instance = new TFrmSysInfo(sysInfo, mainWindow);
  instance->ShowModal(mainWindow);
  return instance;
}

void TFrmSysInfo::ShowModal(const QWidget* over) {
  setWindowModality(Qt::ApplicationModal);
  const QRect area = over != nullptr && over->isVisible() ? over->frameGeometry()
                     : screen() != nullptr                ? screen()->availableGeometry()
                                                          : QRect();
  if (area.isValid()) move(area.center() - rect().center());
  // Shown again while still open: rebuild as a fresh showing would.
  if (isVisible()) FormShow();
  show();
  raise();
  activateWindow();
}

void TFrmSysInfo::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TFrmSysInfo::FormShow() {
  treeView1_->clear();
  const sysinfo::SysInfoTree tree = sysinfo::BuildSysInfoTree(sysInfo_);
  if (!tree.root.text.empty()) AddNode(nullptr, tree.root);
  treeView1_->expandAll();
  if (tree.error) {
    auto* box = new QMessageBox(QMessageBox::Critical, QApplication::applicationDisplayName(),
                                QString::fromStdString(*tree.error), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("SysInfoError"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  }
}

QTreeWidgetItem* TFrmSysInfo::AddNode(QTreeWidgetItem* parent, const sysinfo::SysInfoNode& node) {
  auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(treeView1_);
  item->setText(0, QString::fromStdString(node.text));
  item->setData(0, kImageRole, node.image);
  if (node.image >= 0 && node.image < imageList1_.size()) item->setIcon(0, imageList1_[node.image]);
  for (const sysinfo::SysInfoNode& child : node.children) AddNode(item, child);
  return item;
}

}  // namespace kelbrin::gui
