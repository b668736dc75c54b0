#include <QAbstractItemModelTester>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeView>
#include <QtTest>
#include <chrono>
#include <memory>

#include "MainFormFixture.h"
#include "ReferenceService.h"
#include "Screenshot.h"
#include "TempDir.h"
#include "gui/DomainPage.h"
#include "gui/DomainTreeModel.h"
#include "gui/ShellOpen.h"
#include "settings/PubUtil.h"

using kelbrin::gui::DomainPage;
using kelbrin::gui::DomainTreeModel;
using kelbrin::gui::test::LogIn;
using kelbrin::gui::test::MainFormRig;
namespace protocol = kelbrin::protocol;

namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::year;

// "Today" for the page: 2026-03-15.
constexpr std::chrono::year_month_day kToday{year(2026), month(3), day(15)};

protocol::TDomainInfoSchema Domain(const std::string& name, const std::string& endDate) {
  protocol::TDomainInfoSchema domain;
  domain.DomainName = name;
  domain.SuffixName = ".example.net";
  domain.OnlineOpt = "1";
  domain.OnlineStaticIP = "198.51.100.20";
  domain.OfflineOpt = "2";
  domain.OfflineTransURL = "http://www.example.net/offline";
  domain.StartDate = "20250101";
  domain.EndDate = endDate;
  return domain;
}

protocol::TResourceInfoSchema Record(const std::string& type, const std::string& name) {
  protocol::TResourceInfoSchema record;
  record.ResourceType = type;
  record.KeyName = name;
  record.KeyValue = "203.0.113.7";
  record.TransURL = "http://www.example.net/";
  return record;
}

std::shared_ptr<const protocol::TGetServiceListResp> List(
    std::vector<protocol::TDomainInfoSchema> domains) {
  auto list = std::make_shared<protocol::TGetServiceListResp>();
  list->DomainInfos = std::move(domains);
  return list;
}

// The page alone, every seam recorded.
struct PageRig {
  bool online = true;
  int refreshes = 0;
  int rootStates = 0;
  int statePages = 0;
  QStringList boxes;
  DomainPage page{{.IsOnline = [this] { return online; },
                   .RefreshServiceList = [this] { ++refreshes; },
                   .ShowRootState = [this] { ++rootStates; },
                   .ShowInfoBox =
                       [this](const std::string& caption, const std::string& text) {
                         boxes << QString::fromStdString(caption + "|" + text);
                       },
                   .ShowStatePage = [this] { ++statePages; },
                   .Today = [] { return kToday; }}};

  PageRig() { page.resize(520, 250); }

  QTreeView* tree() const { return page.findChild<QTreeView*>("TreeViewDNS"); }
  QAbstractItemModel* model() const { return tree()->model(); }
  QString line(const char* name) const { return page.findChild<QLabel*>(name)->text(); }
  QModelIndex root() const { return model()->index(0, 0); }
  QModelIndex domain(int row) const { return model()->index(row, 0, root()); }
  QModelIndex record(int domainRow, int row) const {
    return model()->index(row, 0, domain(domainRow));
  }
  int icon(const QModelIndex& index) const {
    return index.data(DomainTreeModel::kIconIndexRole).toInt();
  }
  // A mouse click on a node the view shows.
  void click(const QModelIndex& index) {
    tree()->scrollTo(index);
    const QRect where = tree()->visualRect(index);
    QVERIFY(where.isValid());
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, where.center());
  }
};

}  // namespace

class TestDomainPage : public QObject {
  Q_OBJECT

  kelbrin::test::TempDir dir_;

 private Q_SLOTS:
  void initTestCase() { kelbrin::settings::SetConfigRoot(dir_ / "config"); }

  void startsWithDashes() {
    PageRig rig;
    QCOMPARE(rig.model()->rowCount(), 0);
    for (const char* line : {"lab1", "lab2", "lab3", "lab7", "lab5", "lab6"}) {
      QCOMPARE(rig.line(line), QString("-"));
    }
    QCOMPARE(rig.page.findChild<QPushButton*>("suiButton1")->text(), QString("Refresh "));
    QCOMPARE(rig.page.findChild<QLabel*>("Label10")->text(),
             QString("Login Kelbrin website, submit or renew the domain information!"));
    QCOMPARE(rig.page.findChild<QLabel*>("Label10")->cursor().shape(), Qt::PointingHandCursor);
  }

  void newListBuildsTheTreeAndShowsTheRoot() {
    PageRig rig;
    auto first = Domain("demo01", "20991231");
    first.ResourceInfos = {Record("A", "www"), Record("mx", "mail")};
    rig.page.ShowServiceList(List({first, Domain("office", "20260315")}));

    QCOMPARE(rig.model()->rowCount(), 1);
    QCOMPARE(rig.root().data().toString(), QString("List"));
    QCOMPARE(rig.icon(rig.root()), 4);
    QVERIFY(rig.tree()->isExpanded(rig.root()));
    QCOMPARE(rig.model()->rowCount(rig.root()), 2);
    QCOMPARE(rig.domain(0).data().toString(), QString("demo01.example.net"));
    QCOMPARE(rig.domain(1).data().toString(), QString("office.example.net"));
    QCOMPARE(rig.model()->rowCount(rig.domain(0)), 2);
    QCOMPARE(rig.record(0, 0).data().toString(), QString("www"));
    QCOMPARE(rig.record(0, 1).data().toString(), QString("mail"));
    QCOMPARE(rig.icon(rig.record(0, 1)), 6);
    QVERIFY(!rig.record(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QCOMPARE(rig.model()->rowCount(rig.record(0, 0)), 0);
    QCOMPARE(rig.model()->parent(rig.record(0, 1)), rig.domain(0));
    QCOMPARE(rig.model()->parent(rig.domain(1)), rig.root());

    QCOMPARE(rig.tree()->currentIndex(), rig.root());
    QCOMPARE(rig.line("lab1"), QString("Total: 2 domain names."));
    QCOMPARE(rig.rootStates, 1);
    for (const char* line : {"lab2", "lab3", "lab7", "lab5", "lab6"}) {
      QCOMPARE(rig.line(line), QString("-"));
    }
  }

  // In service while today lies before EndDate; a garbled EndDate shows that domain as lapsed
  // and the domains after it are built all the same.
  void iconFollowsTheEndDate() {
    PageRig rig;
    rig.page.ShowServiceList(List({Domain("tomorrow", "20260316"), Domain("today", "20260315"),
                                   Domain("garbled", "2026-0316"), Domain("yesterday", "20260314"),
                                   Domain("empty", ""), Domain("after", "20991231")}));
    const int expected[] = {5, 9, 9, 9, 9, 5};
    QCOMPARE(rig.model()->rowCount(rig.root()), 6);
    for (int row = 0; row < 6; ++row) QCOMPARE(rig.icon(rig.domain(row)), expected[row]);
    QCOMPARE(rig.domain(5).data().toString(), QString("after.example.net"));
  }

  void clickOnADomainShowsItsLines() {
    PageRig rig;
    auto domain = Domain("demo01", "20991231");
    domain.ResourceInfos = {Record("A", "www")};
    rig.page.ShowServiceList(List({domain}));
    rig.click(rig.record(0, 0));
    QVERIFY(rig.line("lab5") != QString("-"));

    rig.click(rig.domain(0));
    QCOMPARE(rig.line("lab1"), QString("Domain name：demo01，suffix：.example.net"));
    QCOMPARE(rig.line("lab2"), QString("pointed to the static IP：198.51.100.20"));
    QCOMPARE(rig.line("lab3"), QString("URL directed ：http://www.example.net/offline"));
    QCOMPARE(rig.line("lab7"), QString("The Service is valid from20250101to20991231"));
    QCOMPARE(rig.line("lab5"), QString("-"));
    QCOMPARE(rig.line("lab6"), QString("-"));

    rig.click(rig.root());
    QCOMPARE(rig.line("lab1"), QString("Total: 1 domain names."));
    QCOMPARE(rig.line("lab2"), QString("-"));
    QCOMPARE(rig.rootStates, 2);
  }

  void clickOnARecordShowsItAndItsDomain() {
    PageRig rig;
    auto domain = Domain("demo01", "20991231");
    domain.OnlineOpt = "0";
    domain.OfflineOpt = "3";
    domain.ResourceInfos = {Record("mx", "mail"), Record("TXT", "note")};
    rig.page.ShowServiceList(List({domain}));
    rig.click(rig.record(0, 0));
    QCOMPARE(rig.line("lab5"), QString("MX Recordmail，DNS Data：203.0.113.7"));
    QCOMPARE(rig.line("lab6"), QString("The host is redirected to URL：http://www.example.net/"));
    QCOMPARE(rig.line("lab1"), QString("Domain name：demo01，suffix：.example.net"));
    QCOMPARE(rig.line("lab2"), QString("pointed to the client IP:"));
    QCOMPARE(rig.line("lab3"), QString("Kelbrin URL when offline"));
    QCOMPARE(rig.line("lab7"), QString("The Service is valid from20250101to20991231"));
    rig.click(rig.record(0, 1));
    QCOMPARE(rig.line("lab5"), QString("Unknownote，DNS Data：203.0.113.7"));
  }

  // An unknown code ("5") or no number at all keeps that line as it was, and no box appears;
  // the other lines are still filled.
  void badOptionCodeKeepsItsLine_data() {
    QTest::addColumn<QString>("online");
    QTest::addColumn<QString>("offline");
    QTest::newRow("online 5") << "5"
                              << "0";
    QTest::newRow("online not a number") << "x1"
                                         << "0";
    QTest::newRow("online empty") << ""
                                  << "0";
    QTest::newRow("offline 4") << "0"
                               << "4";
    QTest::newRow("offline not a number") << "0"
                                          << "three";
  }
  void badOptionCodeKeepsItsLine() {
    QFETCH(QString, online);
    QFETCH(QString, offline);
    PageRig rig;
    auto bad = Domain("bad", "20991231");
    bad.OnlineOpt = online.toStdString();
    bad.OfflineOpt = offline.toStdString();
    bad.StartDate = "20260101";
    rig.page.ShowServiceList(List({Domain("good", "20991231"), bad}));
    rig.click(rig.domain(0));
    const QString lab2 = rig.line("lab2");
    const QString lab3 = rig.line("lab3");
    rig.click(rig.domain(1));
    QCOMPARE(rig.line("lab1"), QString("Domain name：bad，suffix：.example.net"));
    QCOMPARE(rig.line("lab2"), online == "0" ? QString("pointed to the client IP:") : lab2);
    QCOMPARE(rig.line("lab3"), offline == "0" ? QString("Keep offline state") : lab3);
    QCOMPARE(rig.line("lab7"), QString("The Service is valid from20260101to20991231"));
    QVERIFY(rig.boxes.isEmpty());
  }

  // Qt's own consistency checks of an item model, through a fill, a refill and a clear.
  void modelKeepsQtsRules() {
    PageRig rig;
    QAbstractItemModelTester tester(rig.model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    auto first = Domain("demo01", "20991231");
    first.ResourceInfos = {Record("A", "www"), Record("MX", "mail")};
    auto second = Domain("office", "20200101");
    second.ResourceInfos = {Record("CNAME", "intranet")};
    rig.page.ShowServiceList(List({first, second}));
    rig.tree()->expandAll();
    QCOMPARE(rig.model()->index(2, 0, rig.root()), QModelIndex());
    QCOMPARE(rig.model()->index(0, 1, rig.root()), QModelIndex());
    QCOMPARE(rig.model()->index(0, 0, rig.record(0, 0)), QModelIndex());
    rig.page.ShowServiceList(List({second}));
    rig.page.ShowServiceList(nullptr);
  }

  void listWithoutDomainsShowsTheRootOnly() {
    PageRig rig;
    rig.page.ShowServiceList(List({}));
    QCOMPARE(rig.model()->rowCount(), 1);
    QCOMPARE(rig.model()->rowCount(rig.root()), 0);
    QCOMPARE(rig.line("lab1"), QString("Total: 0 domain names."));
    QCOMPARE(rig.rootStates, 1);
  }

  void sameSnapshotChangesNothingAndLogoutClears() {
    PageRig rig;
    const auto list = List({Domain("demo01", "20991231")});
    rig.page.ShowServiceList(list);
    rig.click(rig.domain(0));
    rig.page.ShowServiceList(list);  // another change of the session's view
    QCOMPARE(rig.tree()->currentIndex(), rig.domain(0));
    QCOMPARE(rig.rootStates, 1);

    rig.page.ShowServiceList(nullptr);
    QCOMPARE(rig.model()->rowCount(), 0);
    QCOMPARE(rig.line("lab1"), QString());
    for (const char* line : {"lab2", "lab3", "lab7", "lab5", "lab6"}) {
      QCOMPARE(rig.line(line), QString("-"));
    }
  }

  void refreshAsksForANewListOnlyWhileLoggedIn() {
    PageRig rig;
    QTest::mouseClick(rig.page.findChild<QPushButton*>("suiButton1"), Qt::LeftButton);
    QCOMPARE(rig.refreshes, 1);
    QVERIFY(rig.boxes.isEmpty());
    QCOMPARE(rig.statePages, 0);

    rig.online = false;
    QTest::mouseClick(rig.page.findChild<QPushButton*>("suiButton1"), Qt::LeftButton);
    QCOMPARE(rig.refreshes, 1);
    QCOMPARE(rig.boxes, QStringList{"Tip|Please login first！"});
    QCOMPARE(rig.statePages, 1);
  }

  // While a fetch runs Refresh cannot be pressed and the page shows the busy cursor; a focused
  // Refresh lends the focus to the tree, not to the next control, and gets it back.
  void fetchUnderWayDisablesRefreshAndShowsTheBusyCursor() {
    PageRig rig;
    rig.page.show();
    auto* refresh = rig.page.findChild<QPushButton*>("suiButton1");
    refresh->setFocus();
    QCOMPARE(rig.page.focusWidget(), refresh);

    rig.page.ShowFetching(true);
    QVERIFY(!refresh->isEnabled());
    QCOMPARE(rig.page.cursor().shape(), Qt::BusyCursor);
    QCOMPARE(rig.page.focusWidget(), rig.tree());
    QTest::mouseClick(refresh, Qt::LeftButton);
    QCOMPARE(rig.refreshes, 0);

    rig.page.ShowFetching(false);
    QVERIFY(refresh->isEnabled());
    QCOMPARE(rig.page.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(rig.page.focusWidget(), refresh);
  }

  // The window over the reference service: the busy sign lasts from the click to the list, and
  // from the click to the end of a fetch the service does not answer.
  void refreshShowsItsWorkUntilTheReplyOrTheFailure() {
    kelbrin::test::ReferenceService service;
    MainFormRig rig(service.endpoint());
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    rig.form->SetActivePage(kelbrin::gui::TMainForm::kDomainPage);
    auto* refresh = rig.find<QPushButton>("suiButton1");
    auto* page = rig.find<QWidget>("TabSheet3");
    QTRY_VERIFY(rig.controller->ServiceList() != nullptr);
    QTRY_VERIFY(refresh->isEnabled());

    const auto list = rig.controller->ServiceList();
    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(!refresh->isEnabled());
    QCOMPARE(page->cursor().shape(), Qt::BusyCursor);
    QTRY_VERIFY(rig.controller->ServiceList() != list);
    QTRY_VERIFY(refresh->isEnabled());
    QCOMPARE(page->cursor().shape(), Qt::ArrowCursor);

    service.control("status?code=500&msg=GetServiceListReq");
    QTest::mouseClick(refresh, Qt::LeftButton);
    QVERIFY(!refresh->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(refresh->isEnabled(), 15000);
    QCOMPARE(page->cursor().shape(), Qt::ArrowCursor);
  }

  void linkOpensTheDomainPage() {
    QStringList opened;
    const auto previous =
        kelbrin::gui::SetShellOpenHandler([&opened](const QString& target) { opened << target; });
    PageRig rig;
    QTest::mouseClick(rig.page.findChild<QLabel*>("Label10"), Qt::LeftButton);
    kelbrin::gui::SetShellOpenHandler(previous);
    QCOMPARE(opened,
             QStringList{QStringLiteral("http://" KELBRIN_TEST_SERVICE_HOST "/client?103")});
  }

  // A hundred thousand domains: the tree takes them at once and shows either end of the list.
  void longListFillsAndScrolls() {
    std::vector<protocol::TDomainInfoSchema> domains;
    domains.reserve(100000);
    for (int i = 0; i < 100000; ++i) {
      auto domain = Domain("host" + std::to_string(i), i % 2 ? "20991231" : "20200101");
      domain.ResourceInfos = {Record("A", "www")};
      domains.push_back(std::move(domain));
    }
    PageRig rig;
    rig.page.show();
    rig.page.ShowServiceList(List(std::move(domains)));
    QCOMPARE(rig.model()->rowCount(rig.root()), 100000);
    QCOMPARE(rig.line("lab1"), QString("Total: 100000 domain names."));

    QCoreApplication::processEvents();  // laid out, with its sideways bar where names need it
    rig.tree()->scrollToBottom();
    QCoreApplication::processEvents();
    const QModelIndex last = rig.domain(99999);
    QCOMPARE(last.data().toString(), QString("host99999.example.net"));
    QCOMPARE(rig.icon(last), 5);
    QCOMPARE(rig.icon(rig.domain(99998)), 9);
    QVERIFY(rig.tree()->viewport()->rect().intersects(rig.tree()->visualRect(last)));
    QCOMPARE(rig.tree()->verticalScrollBar()->value(), rig.tree()->verticalScrollBar()->maximum());
    rig.click(rig.record(99999, 0));
    QCOMPARE(rig.line("lab1"), QString("Domain name：host99999，suffix：.example.net"));
    QCOMPARE(rig.line("lab5"), QString("A Recordwww，DNS Data：203.0.113.7"));
  }

  // The window logged in with the reference service's demo account: its two domains and their
  // records; a click on a record; the logout empties the page.
  void mainWindowShowsTheDemoAccount() {
    kelbrin::test::ReferenceService service;
    MainFormRig rig(service.endpoint());
    QVERIFY(LogIn(rig, "demo01", "demo-pass"));
    rig.form->SetActivePage(kelbrin::gui::TMainForm::kDomainPage);
    auto* tree = rig.find<QTreeView>("TreeViewDNS");
    QVERIFY(tree->isVisible());
    QAbstractItemModel* model = tree->model();
    QTRY_COMPARE(model->rowCount(model->index(0, 0)), 2);
    const QModelIndex root = model->index(0, 0);
    QCOMPARE(model->index(0, 0, root).data().toString(), QString("demo01.example.net"));
    QCOMPARE(model->index(1, 0, root).data().toString(), QString("demo01-office.example.net"));
    QCOMPARE(rig.find<QLabel>("lab1")->text(), QString("Total: 2 domain names."));
    // The long name is not cut: its column holds it whole (the view scrolls sideways) and its
    // hint names it.
    const QModelIndex longName = model->index(1, 0, root);
    QCOMPARE(longName.data(Qt::ToolTipRole).toString(), QString("demo01-office.example.net"));
    QTRY_VERIFY(tree->columnWidth(0) >=
                tree->visualRect(longName).left() - tree->visualRect(root).left() +
                    tree->fontMetrics().horizontalAdvance(longName.data().toString()));

    const QModelIndex office = model->index(1, 0, root);
    tree->expand(office);
    const QModelIndex intranet = model->index(2, 0, office);
    QCOMPARE(intranet.data().toString(), QString("intranet"));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(intranet).center());
    QCOMPARE(rig.find<QLabel>("lab5")->text(),
             QString("CNAME Recordintranet，DNS Data：office.example.net"));
    QCOMPARE(rig.find<QLabel>("lab6")->text(),
             QString("The host is redirected to URL：http://office.example.net/"));
    QCOMPARE(rig.find<QLabel>("lab1")->text(),
             QString("Domain name：demo01-office，suffix：.example.net"));
    QCOMPARE(rig.find<QLabel>("lab2")->text(), QString("pointed to the static IP：198.51.100.20"));
    QCOMPARE(rig.find<QLabel>("lab3")->text(),
             QString("URL directed ：http://www.example.net/offline"));
    // Lines that wrap get the height they need.
    for (const char* name : {"lab1", "lab5", "lab6"}) {
      auto* line = rig.find<QLabel>(name);
      QTRY_COMPARE(line->height(), line->heightForWidth(line->width()));
    }
    keepScreenshot(rig.form->grab().toImage(), "domain-page.png");

    // Refresh while logged in asks the service for the list again, and nothing of the user.
    const int listRequests = service.countRequests("GetServiceListReq");
    QVERIFY(listRequests >= 1);
    auto shownList = rig.controller->View().DomainTree;
    QVERIFY(shownList != nullptr);
    QTest::mouseClick(rig.find<QPushButton>("suiButton1"), Qt::LeftButton);
    QTRY_COMPARE(service.countRequests("GetServiceListReq"), listRequests + 1);
    QCOMPARE(rig.presenter.Count("info|Tip|Please login first！"), 0);

    // Clicks while a slow answer is awaited join that fetch instead of queueing more.
    QTRY_VERIFY(rig.controller->View().DomainTree != shownList);  // the refresh's answer
    service.control("delay?ms=300&count=1");
    for (int i = 0; i < 3; ++i) QTest::mouseClick(rig.find<QPushButton>("suiButton1"), Qt::LeftButton);
    shownList = rig.controller->View().DomainTree;
    QTRY_VERIFY(rig.controller->View().DomainTree != shownList);
    QTest::mouseClick(rig.find<QPushButton>("suiButton1"), Qt::LeftButton);
    shownList = rig.controller->View().DomainTree;
    QTRY_VERIFY(rig.controller->View().DomainTree != shownList);
    QCOMPARE(service.countRequests("GetServiceListReq"), listRequests + 3);

    QTest::mouseClick(rig.find<QPushButton>("BtnLogon"), Qt::LeftButton);
    QTRY_COMPARE(rig.controller->Mark(), 0);
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(rig.find<QLabel>("lab1")->text(), QString());
    QCOMPARE(rig.find<QLabel>("lab5")->text(), QString("-"));

    rig.form->SetActivePage(kelbrin::gui::TMainForm::kDomainPage);
    QTest::mouseClick(rig.find<QPushButton>("suiButton1"), Qt::LeftButton);
    QCOMPARE(rig.presenter.Count("info|Tip|Please login first！"), 1);
    QCOMPARE(rig.form->ActivePage(), static_cast<int>(kelbrin::gui::TMainForm::kStatePage));
  }
};

QTEST_MAIN(TestDomainPage)
#include "test_domain_page.moc"
