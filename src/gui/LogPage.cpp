#include "gui/LogPage.h"

#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "eventlog/AddressHistory.h"
#include "eventlog/LogFile.h"
#include "eventlog/LogFormat.h"
#include "gui/LogListModel.h"
#include "gui/ProgramFont.h"
#include "gui/UiText.h"

namespace kelbrin::gui {

namespace {

// The widths for the 12-pixel font; the page's font may ask for more.
constexpr int kSignWidth = 60;
constexpr int kSignMinWidth = 40;
constexpr int kMessageWidth = 335;
constexpr int kMessageMinWidth = 200;
constexpr int kDateTimeWidth = 116;
// The widest "yy-mm-dd hh:mm:ss".
const QString kWidestDateTime = QStringLiteral("00-00-00 00:00:00");

bool AskBeforeClear(QWidget* parent) {
  QMessageBox box(QMessageBox::Question, UiText("Tip"), UiText("Are you sure？"),
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  // Plain captions: the box sizes its buttons before the window's button style (its padding)
  // reaches them, which leaves no room for the icons some desktops add ("Cance").
  for (QAbstractButton* button : box.buttons()) button->setIcon(QIcon());
  return box.exec() == QMessageBox::Ok;
}

QString AskWhereToSave(QWidget* parent, const QString& suggestedName) {
  QFileDialog dialog(parent, UiText("Please choose path and file"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({UiText("Document(*.txt)"), UiText("All Files (*)")});
  dialog.setDefaultSuffix(QStringLiteral("TXT"));
  dialog.selectFile(suggestedName);  // the overwrite question is on by default
  dialog.setSizeGripEnabled(true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

// A stored history line ("2026-12-11T00:46:43Z 203.0.113.7", UTC) with its time as the log
// beside it shows times: local, "26-12-11 08:46:43". A line that is no record shows as it is.
QString ShownHistoryLine(const std::string& stored) {
  const std::optional<eventlog::AddressRecord> record = eventlog::AddressHistory::ParseLine(stored);
  if (!record) return QString::fromStdString(stored);
  return QString::fromStdString(eventlog::FormatLogTime(record->time) + "   " + record->address);
}

}  // namespace

LogPage::LogPage(eventlog::EventLog& log, NotifyText notify, QWidget* parent)
    : QWidget(parent),
      log_(log),
      notify_(std::move(notify)),
      confirmClear_(AskBeforeClear),
      chooseSaveFile_(AskWhereToSave),
      model_(new LogListModel(log.List(), this)),
      ListViewLog(new QTableView(this)),
      BtnClearLog(new QPushButton(UiText("Clear(&D)"), this)),
      BtnSaveLog(new QPushButton(UiText("Save(&S)"), this)),
      BtnAddressHistory(new QPushButton(UiText("Address History(&H)"), this)) {
  setFont(ProgramFont());
  ListViewLog->setObjectName(QStringLiteral("ListViewLog"));
  BtnClearLog->setObjectName(QStringLiteral("BtnClearLog"));
  BtnSaveLog->setObjectName(QStringLiteral("BtnSaveLog"));
  BtnAddressHistory->setObjectName(QStringLiteral("BtnAddressHistory"));
  BtnAddressHistory->hide();

  ListViewLog->setModel(model_);
  ListViewLog->setShowGrid(true);
  ListViewLog->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListViewLog->setSelectionMode(QAbstractItemView::SingleSelection);
  ListViewLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // One Tab stop: the arrows move through the entries, Tab leaves for the buttons.
  ListViewLog->setTabKeyNavigation(false);
  ListViewLog->setSortingEnabled(false);
  ListViewLog->setIconSize(QSize(16, 16));
  ListViewLog->setWordWrap(false);
  ListViewLog->verticalHeader()->hide();
  ListViewLog->verticalHeader()->setDefaultSectionSize(20);
  QHeaderView* header = ListViewLog->horizontalHeader();
  header->setSectionsClickable(false);  // a click on a column header does nothing
  header->setHighlightSections(false);
  header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  header->setStretchLastSection(false);
  int signText = 0;
  // Every kind name: tip, warning, error and the "Others " of any other kind.
  for (std::uint8_t kind = 0; kind <= eventlog::kLogError + 1; ++kind) {
    const std::string_view name = eventlog::LogKindName(kind);
    signText = std::max(signText, TextWidth(UiText(name),
                                            /*withIcon=*/true));
  }
  const int sign = std::max({kSignWidth, signText, header->sectionSizeHint(LogListModel::kSign)});
  const int dateTime = std::max({kDateTimeWidth, TextWidth(kWidestDateTime, /*withIcon=*/false),
                                 header->sectionSizeHint(LogListModel::kDateTime)});
  widths_[LogListModel::kSign] = {sign, kSignMinWidth, sign};
  widths_[LogListModel::kMessage] = {kMessageWidth, kMessageMinWidth, INT_MAX};
  widths_[LogListModel::kDateTime] = {dateTime, dateTime, INT_MAX};
  header->setMinimumSectionSize(kSignMinWidth);
  fittingMessage_ = true;
  for (int column = 0; column < LogListModel::kColumnCount; ++column) {
    header->resizeSection(column, widths_[static_cast<std::size_t>(column)].initial);
  }
  fittingMessage_ = false;
  connect(header, &QHeaderView::sectionResized, this, [this](int column, int, int width) {
    if (column == LogListModel::kMessage && !fittingMessage_) messageSizedByUser_ = true;
    KeepColumnWidthsInRange(column, width);
    if (column != LogListModel::kMessage) FitMessageColumn();
  });
  ListViewLog->viewport()->installEventFilter(this);

  connect(BtnClearLog, &QPushButton::clicked, this, &LogPage::BtnClearLogClick);
  connect(BtnSaveLog, &QPushButton::clicked, this, &LogPage::BtnSaveLogClick);
  connect(BtnAddressHistory, &QPushButton::clicked, this, &LogPage::BtnAddressHistoryClick);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(BtnAddressHistory);
  buttons->addStretch();
  buttons->addWidget(BtnClearLog);
  buttons->addWidget(BtnSaveLog);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(ListViewLog);
  layout->addLayout(buttons);
}

void LogPage::SetDialogs(ConfirmClear confirm, ChooseSaveFile choose) {
  confirmClear_ = std::move(confirm);
  chooseSaveFile_ = std::move(choose);
}

void LogPage::SetAddressHistory(AddressHistory history) {
  addressHistory_ = std::move(history);
  BtnAddressHistory->setVisible(static_cast<bool>(addressHistory_));
}

// The newest addresses in the box, every one in its details; the box does not wait.
void LogPage::BtnAddressHistoryClick() {
  if (!addressHistory_) return;
  const std::vector<std::string> lines = addressHistory_();
  constexpr std::size_t kShown = 10;
  QStringList newest;
  QStringList all;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const QString line = ShownHistoryLine(lines[i]);
    all << line;
    if (i + kShown >= lines.size()) newest << line;
  }
  auto* box =
      new QMessageBox(QMessageBox::Information, UiText("Address History"),
                      newest.isEmpty() ? UiText("No public address yet.") : newest.join('\n'),
                      QMessageBox::Ok, this);
  box->setObjectName(QStringLiteral("AddressHistoryBox"));
  if (lines.size() > kShown) box->setDetailedText(all.join('\n'));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->show();
}

int LogPage::TextWidth(const QString& text, bool withIcon) const {
  QStyleOptionViewItem option;
  option.initFrom(ListViewLog);
  option.text = text;
  option.features = QStyleOptionViewItem::HasDisplay;
  option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  if (withIcon) {
    option.features |= QStyleOptionViewItem::HasDecoration;
    option.decorationSize = ListViewLog->iconSize();
    option.decorationPosition = QStyleOptionViewItem::Left;
  }
  const int gridLine = ListViewLog->showGrid() ? 1 : 0;
  return ListViewLog->style()
             ->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), ListViewLog)
             .width() +
         gridLine;
}

bool LogPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ListViewLog->viewport() && event->type() == QEvent::Resize) FitMessageColumn();
  return QWidget::eventFilter(watched, event);
}

void LogPage::FitMessageColumn() {
  if (messageSizedByUser_) return;
  QHeaderView* header = ListViewLog->horizontalHeader();
  const int rest = ListViewLog->viewport()->width() - header->sectionSize(LogListModel::kSign) -
                   header->sectionSize(LogListModel::kDateTime);
  fittingMessage_ = true;
  header->resizeSection(LogListModel::kMessage, std::max(rest, kMessageMinWidth));
  fittingMessage_ = false;
}

void LogPage::KeepColumnWidthsInRange(int column, int width) {
  if (column < 0 || column >= LogListModel::kColumnCount) return;
  const ColumnWidth& range = widths_[static_cast<std::size_t>(column)];
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
    QMessageBox::critical(this, UiText("Error"), QString::fromUtf8(error.what()));
  }
}

}  // namespace kelbrin::gui
