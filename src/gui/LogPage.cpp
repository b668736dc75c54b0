#include "gui/LogPage.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "eventlog/LogFile.h"
#include "gui/LogListModel.h"
#include "gui/ProgramFont.h"

namespace kelbrin::gui {

namespace {

struct ColumnWidth {
  int initial;
  int min;
  int max;
};
constexpr ColumnWidth kColumnWidths[LogListModel::kColumnCount] = {
    {60, 40, 60}, {335, 200, INT_MAX}, {116, 116, INT_MAX}};

bool askBeforeClear(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Tip"), QStringLiteral("Are you sure？"),
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  return box.exec() == QMessageBox::Ok;
}

QString askWhereToSave(QWidget* parent, const QString& suggestedName) {
  QFileDialog dialog(parent, QStringLiteral("Please choose path and file"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({QStringLiteral("Document(*.txt)"), QStringLiteral("All Files (*)")});
  dialog.setDefaultSuffix(QStringLiteral("TXT"));
  dialog.selectFile(suggestedName);  // the overwrite question is on by default
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

LogPage::LogPage(eventlog::EventLog& log, NotifyText notify, QWidget* parent)
    : QWidget(parent),
      log_(log),
      notify_(std::move(notify)),
      confirmClear_(askBeforeClear),
      chooseSaveFile_(askWhereToSave),
      model_(new LogListModel(log.List(), this)),
      ListViewLog(new QTableView(this)),
      BtnClearLog(new QPushButton(QStringLiteral("Clear(&D)"), this)),
      BtnSaveLog(new QPushButton(QStringLiteral("Save(&S)"), this)) {
  setFont(ProgramFont());
  ListViewLog->setObjectName(QStringLiteral("ListViewLog"));
  BtnClearLog->setObjectName(QStringLiteral("BtnClearLog"));
  BtnSaveLog->setObjectName(QStringLiteral("BtnSaveLog"));

  ListViewLog->setModel(model_);
  ListViewLog->setShowGrid(true);
  ListViewLog->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewLog->setSelectionMode(QAbstractItemView::SingleSelection);
  ListViewLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListViewLog->setSortingEnabled(false);
  ListViewLog->setIconSize(QSize(16, 16));
  ListViewLog->setWordWrap(false);
  ListViewLog->verticalHeader()->hide();
  ListViewLog->verticalHeader()->setDefaultSectionSize(20);
  QHeaderView* header = ListViewLog->horizontalHeader();
  header->setSectionsClickable(false);  // a click on a column header does nothing
  header->setHighlightSections(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setMinimumSectionSize(kColumnWidths[0].min);
  header->setStretchLastSection(false);
  for (int column = 0; column < LogListModel::kColumnCount; ++column) {
    header->resizeSection(column, kColumnWidths[column].initial);
  }
  connect(header, &QHeaderView::sectionResized, this,
          [this](int column, int, int width) { keepColumnWidthsInRange(column, width); });

  connect(BtnClearLog, &QPushButton::clicked, this, &LogPage::BtnClearLogClick);
  connect(BtnSaveLog, &QPushButton::clicked, this, &LogPage::BtnSaveLogClick);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BtnClearLog);
  buttons->addWidget(BtnSaveLog);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(ListViewLog);
  layout->addLayout(buttons);
}

void LogPage::setDialogs(ConfirmClear confirm, ChooseSaveFile choose) {
  confirmClear_ = std::move(confirm);
  chooseSaveFile_ = std::move(choose);
}

void LogPage::keepColumnWidthsInRange(int column, int width) {
  if (column < 0 || column >= LogListModel::kColumnCount) return;
  const ColumnWidth& range = kColumnWidths[column];
  const int allowed = std::clamp(width, range.min, range.max);
  if (allowed != width) ListViewLog->horizontalHeader()->resizeSection(column, allowed);
}

void LogPage::BtnClearLogClick() {
  if (!confirmClear_(this)) return;
  log_.Clear();
  if (notify_) notify_(std::string(eventlog::kClearLogNotice));
}

void LogPage::BtnSaveLogClick() {
  if (log_.List().empty()) return;  // no dialog for an empty log
  const QString path = chooseSaveFile_(this, QString::fromStdString(log_.SuggestedFileName()));
  if (path.isEmpty()) return;
  try {
    eventlog::SaveLogFile(log_.List(), path.toStdString());
  } catch (const eventlog::LogSaveError& error) {
    QMessageBox::critical(this, QStringLiteral("Error"), QString::fromUtf8(error.what()));
  }
}

}  // namespace kelbrin::gui
