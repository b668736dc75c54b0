#include "gui/DomainPage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "domains/DomainLines.h"
#include "gui/DomainTreeModel.h"
#include "gui/LinkLabel.h"
#include "gui/ShellOpen.h"
#include "gui/UiText.h"
#include "session/ProfileDisplay.h"
#include "session/StringTable.h"

namespace kelbrin::gui {

namespace {

constexpr int kTreeIndent = 19;
constexpr int kTreeWidth = 200;

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

QLabel* MakeLine(const char* name, QWidget* parent) {
  auto* label = new QLabel(QStringLiteral("-"), parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

// A framed box of the page holding `lines` one below the other.
QFrame* MakeBox(const char* name, std::initializer_list<QLabel*> lines, QWidget* parent) {
  auto* box = new QFrame(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setProperty("pageBox", true);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(10, 6, 10, 6);
  layout->setSpacing(4);
  for (QLabel* line : lines) {
    line->setParent(box);
    layout->addWidget(line);
  }
  return box;
}

}  // namespace

DomainPage::DomainPage(Seams seams, QWidget* parent)
    : QWidget(parent),
      seams_(std::move(seams)),
      model_(new DomainTreeModel(this)),
      TreeViewDNS(new QTreeView(this)),
      lab1(MakeLine("lab1", this)),
      lab2(MakeLine("lab2", this)),
      lab3(MakeLine("lab3", this)),
      lab7(MakeLine("lab7", this)),
      lab5(MakeLine("lab5", this)),
      lab6(MakeLine("lab6", this)),
      Label10(new LinkLabel(
          UiText("Login Kelbrin website, submit or renew the domain information!"), this)),
      suiButton1(new QPushButton(UiText("Refresh "), this)) {
  setObjectName(QStringLiteral("TabSheet3"));
  TreeViewDNS->setObjectName(QStringLiteral("TreeViewDNS"));
  TreeViewDNS->setModel(model_);
  TreeViewDNS->setHeaderHidden(true);
  TreeViewDNS->setIndentation(kTreeIndent);
  TreeViewDNS->setFrameShape(QFrame::NoFrame);
  TreeViewDNS->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeViewDNS->setSelectionMode(QAbstractItemView::SingleSelection);
  // Every row has the same height, so the view never measures a long list row by row.
  TreeViewDNS->setUniformRowHeights(true);
  TreeViewDNS->setIconSize(QSize(16, 16));
  TreeViewDNS->setFixedWidth(kTreeWidth);
  // The column is made as wide as the longest name when nodes open, so a long name scrolls
  // sideways instead of being cut.
  TreeViewDNS->header()->setStretchLastSection(false);
  connect(TreeViewDNS, &QTreeView::expanded, this,
          [this] { TreeViewDNS->resizeColumnToContents(0); });
  connect(TreeViewDNS->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { TreeViewDNSClick(); });

  Label10->setObjectName(QStringLiteral("Label10"));
  Label10->setCursor(Qt::PointingHandCursor);
  Label10->setToolTip(
      WebAddress(FromUtf8(session::LoadTableString(session::kDomainPageAddressEntry))));
  Label10->setWordWrap(true);
  connect(Label10, &LinkLabel::clicked, this, &DomainPage::Label10Click);
  suiButton1->setObjectName(QStringLiteral("suiButton1"));
  connect(suiButton1, &QPushButton::clicked, this, &DomainPage::btRefreshDomainInfoClick);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Label10, 1);
  buttons->addWidget(suiButton1, 0, Qt::AlignBottom);
  auto* lines = new QVBoxLayout;
  lines->setSpacing(6);
  lines->addWidget(MakeBox("GroupBoxDomain", {lab1, lab2, lab3, lab7}, this));
  lines->addWidget(MakeBox("GroupBoxRecord", {lab5, lab6}, this));
  lines->addStretch();
  lines->addLayout(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(8);
  layout->addWidget(TreeViewDNS);
  layout->addLayout(lines, 1);
}

void DomainPage::ShowServiceList(std::shared_ptr<const protocol::TGetServiceListResp> list) {
  if (list == model_->List()) return;
  if (!list) {
    Clear();
    return;
  }
  FillDomainTree(std::move(list));
  // The new tree has no current node yet, so selecting the root runs TreeViewDNSClick.
  TreeViewDNS->setCurrentIndex(model_->RootIndex());
}

void DomainPage::ShowFetching(bool fetching) {
  if (suiButton1->isEnabled() == !fetching) return;
  const auto focused = [this](QWidget* widget) { return window()->focusWidget() == widget; };
  if (fetching) {
    // A disabled button passes the focus on to the next control, where a second Return would
    // act; the tree takes no action from it.
    refocusRefresh_ = focused(suiButton1);
    if (refocusRefresh_) TreeViewDNS->setFocus(Qt::OtherFocusReason);
    suiButton1->setEnabled(false);
    setCursor(Qt::BusyCursor);
    return;
  }
  suiButton1->setEnabled(true);
  unsetCursor();
  if (refocusRefresh_ && focused(TreeViewDNS)) suiButton1->setFocus(Qt::OtherFocusReason);
  refocusRefresh_ = false;
}

void DomainPage::FillDomainTree(std::shared_ptr<const protocol::TGetServiceListResp> list) {
  if (!list) return;
  model_->SetList(std::move(list), Today());
  TreeViewDNS->expand(model_->RootIndex());
}

void DomainPage::TreeViewDNSClick() {
  const QModelIndex node = TreeViewDNS->currentIndex();
  switch (model_->KindOf(node)) {
    case DomainTreeModel::NodeKind::None:
      return;
    case DomainTreeModel::NodeKind::Root:
      lab1->setText(FromUtf8(domains::TotalLine(static_cast<std::size_t>(model_->rowCount(node)))));
      if (seams_.ShowRootState) {
        try {
          seams_.ShowRootState();
        } catch (...) {
          // The state page keeps what it showed.
        }
      }
      for (QLabel* line : {lab2, lab3, lab7, lab5, lab6}) line->setText(QStringLiteral("-"));
      return;
    case DomainTreeModel::NodeKind::Domain:
      for (QLabel* line : {lab5, lab6, lab7}) line->setText(QStringLiteral("-"));
      ShowDomainLines(model_->DomainOf(node));
      return;
    case DomainTreeModel::NodeKind::Record: {
      const domains::RecordLineTexts record = domains::RecordLines(model_->RecordOf(node));
      lab5->setText(FromUtf8(record.lab5));
      lab6->setText(FromUtf8(record.lab6));
      ShowDomainLines(model_->DomainOf(node));
      return;
    }
  }
}

void DomainPage::ShowDomainLines(const protocol::TDomainInfoSchema& domain) {
  const domains::DomainLineTexts lines = domains::DomainLines(domain);
  lab1->setText(FromUtf8(lines.lab1));
  // An unknown or garbled option code leaves its line as it was.
  if (lines.lab2) lab2->setText(FromUtf8(*lines.lab2));
  if (lines.lab3) lab3->setText(FromUtf8(*lines.lab3));
  lab7->setText(FromUtf8(lines.lab7));
}

void DomainPage::btRefreshDomainInfoClick() {
  if (seams_.IsOnline && seams_.IsOnline()) {
    if (seams_.RefreshServiceList) seams_.RefreshServiceList();
    return;
  }
  if (seams_.ShowInfoBox)
    seams_.ShowInfoBox(runtime::Translatable("Tip"), runtime::Translatable("Please login first！"));
  if (seams_.ShowStatePage) seams_.ShowStatePage();
}

void DomainPage::Label10Click() { ShellOpen(Label10->toolTip()); }

void DomainPage::Clear() {
  model_->SetList(nullptr, {});
  lab1->clear();
  for (QLabel* line : {lab2, lab3, lab5, lab6, lab7}) line->setText(QStringLiteral("-"));
}

std::chrono::year_month_day DomainPage::Today() const {
  return seams_.Today ? seams_.Today() : session::LocalDate(std::chrono::system_clock::now());
}

}  // namespace kelbrin::gui
