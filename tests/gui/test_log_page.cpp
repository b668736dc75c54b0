#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <ctime>

#include "Screenshot.h"
#include "eventlog/EventLog.h"
#include "gui/JpegImage.h"
#include "gui/LogPage.h"
#include "runtime/ManualClock.h"

using kelbrin::gui::LogPage;
namespace eventlog = kelbrin::eventlog;
namespace runtime = kelbrin::runtime;

namespace {

// A log at 2026-01-01 00:00:00 UTC with its page, the page's dialogs scripted.
struct Fixture {
  runtime::ManualClock clock;
  eventlog::EventLog log{clock, [] { return true; }};
  std::vector<std::string> notified;
  bool confirm = true;
  QString saveTo;
  QStringList offeredNames;
  LogPage page{log, [this](const std::string& text) {
                 notified.push_back(text);
                 log.AddLog(eventlog::kLogTip, text);
               }};

  Fixture() {
    page.SetDialogs([this](QWidget*) { return confirm; },
                    [this](QWidget*, const QString& name) {
                      offeredNames << name;
                      return saveTo;
                    });
    page.resize(532, 300);  // the main window's width
  }
  QTableView* view() { return page.findChild<QTableView*>("ListViewLog"); }
  QString cell(int row, int column) {
    return view()->model()->index(row, column).data().toString();
  }
  QImage icon(int row) {
    return view()
        ->model()
        ->index(row, 0)
        .data(Qt::DecorationRole)
        .value<QIcon>()
        .pixmap(16)
        .toImage();
  }
  void click(const char* button) {
    QTest::mouseClick(page.findChild<QPushButton*>(button), Qt::LeftButton);
  }
};

QImage programIcon(const char* name) {
  return kelbrin::gui::ProgramIcon(QString::fromLatin1(name)).pixmap(16).toImage();
}

}  // namespace

class TestLogPage : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() {
    qputenv("TZ", "UTC");
    tzset();
  }

  void showsAReadOnlyTableWithItsColumnsAndButtons() {
    Fixture f;
    QTableView* view = f.view();
    QVERIFY(view);
    const QStringList headers{"Sign", "Message", "Date/Time"};
    QHeaderView* header = view->horizontalHeader();
    for (int c = 0; c < 3; ++c) {
      QCOMPARE(view->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
    }
    // The widths of the 12-pixel font at least; more where the texts need it.
    f.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.page));
    const int sign = header->sectionSize(0);
    const int message = header->sectionSize(1);
    const int dateTime = header->sectionSize(2);
    const QFontMetrics metrics(view->font());
    QVERIFY(sign >= 60);
    QVERIFY2(sign >= 16 + metrics.horizontalAdvance("Warning") + 8,
             qPrintable(QString::number(sign)));
    QVERIFY(dateTime >= 116);
    QVERIFY2(dateTime >= metrics.horizontalAdvance("26-01-01 00:01:05") + 6,
             qPrintable(QString::number(dateTime)));
    // "Message" takes the rest: no horizontal scroll bar on the empty log.
    QVERIFY(message >= 200);
    QCOMPARE(sign + message + dateTime, view->viewport()->width());
    QVERIFY(!view->horizontalScrollBar()->isVisible());
    QVERIFY(!header->sectionsClickable());
    QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(view->showGrid());
    QCOMPARE(f.page.findChild<QPushButton*>("BtnClearLog")->text(), QString("Clear(&D)"));
    QCOMPARE(f.page.findChild<QPushButton*>("BtnSaveLog")->text(), QString("Save(&S)"));
  }

  void columnWidthsStayInTheirRanges_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("got");  // -1: the column's first width
    QTest::newRow("sign too wide") << 0 << 400 << -1;
    QTest::newRow("sign too narrow") << 0 << 10 << 40;
    QTest::newRow("sign inside") << 0 << 50 << 50;
    QTest::newRow("message too narrow") << 1 << 50 << 200;
    QTest::newRow("message wider") << 1 << 400 << 400;
    QTest::newRow("date too narrow") << 2 << 60 << -1;
  }
  void columnWidthsStayInTheirRanges() {
    QFETCH(int, column);
    QFETCH(int, asked);
    QFETCH(int, got);
    Fixture f;
    QHeaderView* header = f.view()->horizontalHeader();
    const int first = header->sectionSize(column);
    header->resizeSection(column, asked);
    QCOMPARE(header->sectionSize(column), got < 0 ? first : got);
  }

  // Once the user has sized "Message", the page leaves it as it is.
  void theMessageColumnFollowsTheTableUntilTheUserSizesIt() {
    Fixture f;
    f.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.page));
    QHeaderView* header = f.view()->horizontalHeader();
    const auto filled = [&] {
      return header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2) ==
             f.view()->viewport()->width();
    };
    QVERIFY(filled());
    f.page.resize(600, 300);
    QTRY_VERIFY(filled());
    header->resizeSection(1, 250);
    f.page.resize(532, 300);
    QTest::qWait(20);
    QCOMPARE(header->sectionSize(1), 250);
  }

  void rowsFollowTheLogNewestFirst() {
    Fixture f;
    f.log.AddLog(eventlog::kLogTip, "first");
    f.clock.Advance(std::chrono::seconds(65));
    f.log.AddLog(eventlog::kLogWarning, "second");
    f.log.AddLog(eventlog::kLogError, "third");
    f.log.AddLog(7, "fourth");
    QCOMPARE(f.view()->model()->rowCount(), 4);
    const QStringList signs{"Others ", "Error", "Warning", "Tip"};
    const QStringList texts{"fourth", "third", "second", "first"};
    for (int row = 0; row < 4; ++row) {
      QCOMPARE(f.cell(row, 0), signs[row]);
      QCOMPARE(f.cell(row, 1), texts[row]);
    }
    QCOMPARE(f.cell(0, 2), QString("26-01-01 00:01:05"));
    QCOMPARE(f.cell(3, 2), QString("26-01-01 00:00:00"));
    QCOMPARE(f.icon(0), programIcon("LOG_TIP"));  // an unknown kind shows the tip's icon
    QCOMPARE(f.icon(1), programIcon("LOG_ERROR"));
    QCOMPARE(f.icon(2), programIcon("LOG_WARNING"));
    QCOMPARE(f.icon(3), programIcon("LOG_TIP"));
    QVERIFY(f.icon(1) != f.icon(2));
  }

  void theThousandAndFirstEntryPushesOutTheOldest() {
    Fixture f;
    for (int i = 1; i <= 1001; ++i) f.log.AddLog(eventlog::kLogTip, "entry " + std::to_string(i));
    QCOMPARE(f.view()->model()->rowCount(), 1000);
    QCOMPARE(f.cell(0, 1), QString("entry 1001"));
    QCOMPARE(f.cell(999, 1), QString("entry 2"));
  }

  void clearAsksFirstAndThenNotifies() {
    Fixture f;
    f.log.AddLog(eventlog::kLogWarning, "kept");
    f.confirm = false;
    f.click("BtnClearLog");
    QCOMPARE(f.view()->model()->rowCount(), 1);
    QVERIFY(f.notified.empty());

    f.confirm = true;
    f.click("BtnClearLog");
    QCOMPARE(f.notified, std::vector<std::string>{"Clear log！"});
    QCOMPARE(f.view()->model()->rowCount(), 1);
    QCOMPARE(f.cell(0, 1), QString("Clear log！"));
  }

  // The address history shows only where the program keeps one; its box lists the newest
  // addresses and has every one in its details.
  void theAddressHistoryButtonListsTheNewestAddresses() {
    Fixture f;
    f.page.show();
    QVERIFY(!f.page.findChild<QPushButton*>("BtnAddressHistory")->isVisible());
    std::vector<std::string> lines;
    for (int i = 1; i <= 12; ++i) {
      lines.push_back("2026-12-10T13:" + std::to_string(10 + i) + ":00Z 203.0.113." +
                      std::to_string(i));
    }
    f.page.SetAddressHistory([&lines] { return lines; });
    QVERIFY(f.page.findChild<QPushButton*>("BtnAddressHistory")->isVisible());
    f.click("BtnAddressHistory");
    auto* box = f.page.findChild<QMessageBox*>("AddressHistoryBox");
    QVERIFY(box != nullptr);
    QVERIFY(box->text().endsWith("203.0.113.12"));
    QVERIFY(!box->text().contains("203.0.113.2\n"));  // only the ten newest in the box
    QVERIFY(box->detailedText().startsWith("26-12-10 13:11:00   203.0.113.1\n"));
    box->close();

    lines.clear();
    f.click("BtnAddressHistory");
    QTRY_VERIFY(f.page.findChildren<QMessageBox*>("AddressHistoryBox").size() == 1);
    QCOMPARE(f.page.findChild<QMessageBox*>("AddressHistoryBox")->text(),
             QString("No public address yet."));
  }

  // The history's times read as the log's beside them: local time in the log's format, also for
  // a line written in another zone's winter; a line that is no record shows as it is.
  void theAddressHistoryShowsLocalTimesAsTheLogDoes() {
    struct Zone {
      explicit Zone(const char* zone) {
        qputenv("TZ", zone);
        tzset();
      }
      ~Zone() {
        qputenv("TZ", "UTC");
        tzset();
      }
    } shanghai("CST-8");
    Fixture f;
    f.page.show();
    f.page.SetAddressHistory([] {
      return std::vector<std::string>{"2026-12-11T00:46:43Z 203.0.113.7",
                                      "2026-12-11T23:59:59Z 2001:db8::1", "not a record"};
    });
    f.click("BtnAddressHistory");
    auto* box = f.page.findChild<QMessageBox*>("AddressHistoryBox");
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), QString("26-12-11 08:46:43   203.0.113.7\n"
                                  "26-12-12 07:59:59   2001:db8::1\n"
                                  "not a record"));
    box->close();
  }

  void saveWritesTheRowsToTheChosenFile() {
    Fixture f;
    f.click("BtnSaveLog");
    QVERIFY(f.offeredNames.isEmpty());  // an empty log opens no dialog

    QTemporaryDir dir;
    f.log.AddLog(eventlog::kLogTip, "hello");
    f.log.AddLog(7, "odd");
    f.click("BtnSaveLog");  // cancelled: nothing written
    QCOMPARE(f.offeredNames, QStringList{"DOZOVad202601010000"});
    f.saveTo = dir.filePath("log.txt");
    f.click("BtnSaveLog");
    QFile file(f.saveTo);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("Others      26-01-01 00:00:00      odd\r\n"
                                        "Tip      26-01-01 00:00:00      hello\r\n"));
  }

  void looksLikeTheLogPage() {
    Fixture f;
    f.log.AddLog(eventlog::kLogTip, "IP updates successfully：203.0.113.25");
    f.clock.Advance(std::chrono::minutes(3));
    f.log.AddLog(eventlog::kLogWarning,
                 "The your accounn deadline  has 3 days left, please pay for it or contact us.");
    f.clock.Advance(std::chrono::minutes(1));
    f.log.AddLog(eventlog::kLogTip,
                 "No WAN IP in this host, if  need to establish a website, please map the ports.");
    f.clock.Advance(std::chrono::seconds(20));
    f.log.AddLog(eventlog::kLogError, "Connection to the service was refused");
    f.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.page));
    const QImage shot = f.page.grab().toImage();
    QCOMPARE(shot.size(), f.page.size());
    keepScreenshot(shot, "log-page.png");
  }
};

QTEST_MAIN(TestLogPage)
#include "test_log_page.moc"
