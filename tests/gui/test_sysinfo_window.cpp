#include <QMessageBox>
#include <QPointer>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <filesystem>

#include "../core/sysinfo/SysInfoFixtures.h"
#include "Screenshot.h"
#include "gui/TFrmSysInfo.h"
#include "sysinfo/SysInfoTree.h"
#include "sysinfo/TSysInfo.h"

using kelbrin::gui::TFrmSysInfo;
using kelbrin::sysinfo::SysInfoSources;
using kelbrin::sysinfo::TAdaptorInfo;
using kelbrin::sysinfo::TAdaptorRows;
using kelbrin::sysinfo::TSysInfo;

namespace {

SysInfoSources fixture(const char* machine, int* refreshes = nullptr) {
  SysInfoSources sources;
  sources.root = kelbrin::sysinfo::fixtures::FixtureRoot(machine);
  sources.getAdapters = [refreshes](int& count, TAdaptorRows& rows) {
    count = refreshes != nullptr ? ++*refreshes : 1;
    rows.assign(static_cast<std::size_t>(count), TAdaptorInfo{});
    return 0;
  };
  return sources;
}

QStringList texts(const QTreeWidgetItem* item, int depth = 0) {
  QStringList lines{QString(depth * 2, ' ') + item->text(0)};
  for (int i = 0; i < item->childCount(); ++i) lines += texts(item->child(i), depth + 1);
  return lines;
}

QTreeWidget* tree(const TFrmSysInfo& window) {
  return window.findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
}

void expectAllExpandedWithPictures(const QTreeWidgetItem* item) {
  if (item->childCount() > 0) QVERIFY(item->isExpanded());
  QVERIFY2(!item->icon(0).isNull(), qPrintable(item->text(0)));
  for (int i = 0; i < item->childCount(); ++i) expectAllExpandedWithPictures(item->child(i));
}

}  // namespace

class TestSysInfoWindow : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void showsTheTreeWithItsPictures() {
    TSysInfo sysInfo(fixture("desktop"));
    QPointer<TFrmSysInfo> instance;
    TFrmSysInfo* window = TFrmSysInfo::Open(instance, sysInfo, nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QString::fromUtf8("系统信息"));
    QCOMPARE(window->size(), QSize(397, 304));
    QVERIFY(window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(window->windowFlags() & Qt::WindowSystemMenuHint);
    QTreeWidget* view = tree(*window);
    QVERIFY(view != nullptr);
    QCOMPARE(view->indentation(), 19);
    QCOMPARE(view->geometry(), QRect(4, 4, 389, 296));
    QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(view->topLevelItemCount(), 1);
    const QTreeWidgetItem* root = view->topLevelItem(0);
    QCOMPARE(texts(root),
             (QStringList{
                 "System Information",
                 "  OS: Fedora Linux 40 Workstation Edition",
                 "    Version: 6.8 (9.40 (Workstation Edition))",
                 "  CPU Numbers: 2",
                 "    CPU: 12th Gen Intel(R) Core(TM) i7-1260P",
                 "    Basic Frequency : 4700 MHZ",
                 "    CPU: 12th Gen Intel(R) Core(TM) i7-1260P",
                 "    Basic Frequency : 4700 MHZ",
                 "  Memory Information",
                 "    physical Memory: 16303620 KB",
                 "    Available Memory: 9876543 KB",
                 "  Network Information",
                 "    NIC",
                 "      RTL8111/8168/8211/8411 PCI Express Gigabit Ethernet Controller",
                 "      Wi-Fi 6 AX200",
                 "      r8152",
                 "    Net Connection: ;",
             }));
    const QList<int> images{0, 2, 1, 3, 4, 1, 4, 1, 6, 7, 7, 10, 9, 9, 9, 9, 10};
    QList<int> shown;
    for (QTreeWidgetItemIterator it(view); *it != nullptr; ++it)
      shown << (*it)->data(0, TFrmSysInfo::kImageRole).toInt();
    QCOMPARE(shown, images);
    expectAllExpandedWithPictures(root);
    delete window;
    QVERIFY(instance.isNull());
  }

  void openingTwiceShowsTheSameWindowWithAFreshTree() {
    int refreshes = 0;
    TSysInfo sysInfo(fixture("server", &refreshes));
    QWidget mainWindow;
    mainWindow.setGeometry(100, 80, 600, 500);
    mainWindow.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow));
    QPointer<TFrmSysInfo> instance;
    TFrmSysInfo* first = TFrmSysInfo::Open(instance, sysInfo, &mainWindow);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QVERIFY(first->isModal());
    // Centred on the main window (the frames may differ by a pixel or two).
    QVERIFY(
        (first->frameGeometry().center() - mainWindow.frameGeometry().center()).manhattanLength() <=
        4);
    const auto lastLine = [first] { return texts(tree(*first)->topLevelItem(0)).last(); };
    QCOMPARE(lastLine(), QStringLiteral("    Net Connection: ;"));
    // Shown again while open, and again after closing: the same window, rebuilt each time.
    QCOMPARE(TFrmSysInfo::Open(instance, sysInfo, &mainWindow), first);
    QCOMPARE(lastLine(), QStringLiteral("    Net Connection: ;;"));
    first->close();
    QCOMPARE(TFrmSysInfo::Open(instance, sysInfo, &mainWindow), first);
    QVERIFY(QTest::qWaitForWindowExposed(first));
    QCOMPARE(lastLine(), QStringLiteral("    Net Connection: ;;;"));
    QCOMPARE(tree(*first)->topLevelItemCount(), 1);
    QCOMPARE(first->parentWidget(), &mainWindow);
  }

  void processorWithoutClockShowsTheNodesBuiltAndAnErrorBox() {
    TSysInfo sysInfo(fixture("noclock"));
    QPointer<TFrmSysInfo> instance;
    TFrmSysInfo* window = TFrmSysInfo::Open(instance, sysInfo, nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(texts(tree(*window)->topLevelItem(0)),
             (QStringList{"System Information", "  OS: Debian GNU/Linux 12 (bookworm)",
                          "    Version: 6.18 (44.12 (bookworm))", "  CPU Numbers: 2"}));
    auto* box = window->findChild<QMessageBox*>(QStringLiteral("SysInfoError"));
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), QStringLiteral("processor 1 states no clock"));
    QVERIFY(box->isVisible());
    box->accept();
    delete window;
  }

  void thisMachine() {
    TSysInfo sysInfo(kelbrin::sysinfo::fixtures::ThisMachine());
    QPointer<TFrmSysInfo> instance;
    TFrmSysInfo* window = TFrmSysInfo::Open(instance, sysInfo, nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QStringList lines = texts(tree(*window)->topLevelItem(0));
    QCOMPARE(lines.first(), QStringLiteral("System Information"));
    QVERIFY(lines.last().startsWith(QStringLiteral("    Net Connection: ")));
    const auto interfaces = std::distance(std::filesystem::directory_iterator("/sys/class/net"),
                                          std::filesystem::directory_iterator());
    QCOMPARE(lines.last().count(';'), std::min<qsizetype>(interfaces, 10));
    keepScreenshot(window->grab().toImage(), "sysinfo-window.png");
    delete window;
  }
};

QTEST_MAIN(TestSysInfoWindow)
#include "test_sysinfo_window.moc"
