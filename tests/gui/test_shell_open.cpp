#include <sys/stat.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "MessagesLocale.h"
#include "TempDir.h"
#include "gui/ShellOpen.h"
#include "runtime/Translate.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace

// The real ShellOpen hands the target to xdg-open; a fake one on PATH writes down what it got:
// its arguments, its environment, and for a file address a copy of the file and its mode.
class TestShellOpen : public QObject {
  Q_OBJECT

 private:
  kelbrin::test::TempDir dir_;
  fs::path seen_ = dir_ / "seen";
  QByteArray path_;

  std::string seen(const char* what) const { return readFile(seen_ / what); }

 private Q_SLOTS:
  void initTestCase() {
    fs::create_directory(seen_);
    const fs::path fake = dir_ / "bin" / "xdg-open";
    fs::create_directory(fake.parent_path());
    const std::string s = seen_.string();
    std::ofstream(fake) << "#!/bin/sh\n"
                        << "case \"$1\" in *nobody-opens*)\n"
                        << "  echo 'xdg-open: no method available' >&2; exit 3;;\n"
                        << "esac\n"
                        << "cd '" << s << "'\n"
                        << "printf '%s\\n' \"$0\" \"$@\" > argv\n"
                        << "env > environ\n"
                        << "cat /proc/$$/cmdline > cmdline\n"
                        << "case \"$1\" in file://*)\n"
                        << "  file=${1#file://}; cp \"$file\" page; stat -c %a \"$file\" > mode;;\n"
                        << "esac\n"
                        << "mv argv done\n";
    fs::permissions(fake, fs::perms::owner_all);
    path_ = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(fake.parent_path().string()) + ':' + path_);
  }
  void cleanupTestCase() { qputenv("PATH", path_); }
  void init() {
    fs::remove_all(seen_);
    fs::create_directory(seen_);
  }

  // Without xdg-open a link cannot open; the box says why in the user's language.
  void withoutXdgOpenTheBoxSaysSoInTheMessagesLanguage() {
    kelbrin::runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
    const kelbrin::test::MessagesLocale chinese("zh_CN.UTF-8");
    QVERIFY2(chinese.chosen(), "zh_CN.UTF-8 is not installed (scripts/setup installs locales-all)");
    const fs::path nowhere = dir_ / "empty-bin";
    fs::create_directory(nowhere);
    const QByteArray withFake = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(nowhere.string()));
    QString shown;
    QTimer::singleShot(0, this, [&shown] {
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
          shown = box->windowTitle() + '|' + box->text();
          box->accept();
        }
      }
    });
    kelbrin::gui::SetShellOpenHandler({});  // the default: xdg-open
    kelbrin::gui::ShellOpen(QStringLiteral("mailto:support@example.net"));
    qputenv("PATH", withFake);
    QCOMPARE(shown, QStringLiteral("提示|无法打开链接：找不到 xdg-open。\n"
                                   "请安装 xdg-utils 软件包以打开链接。"));
  }

  void passesTheTargetToXdgOpen() {
    kelbrin::gui::SetShellOpenHandler({});  // the default: xdg-open
    kelbrin::gui::ShellOpen(QStringLiteral("mailto:support@example.net"));
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(seen_ / "done"), 20000);
    const std::string argv = seen("done");
    QCOMPARE(argv.substr(argv.find('\n') + 1), std::string("mailto:support@example.net\n"));
  }

  // xdg-open's error (no browser, say) goes to standard error only: the window says it.
  void anXdgOpenThatFailsIsToldInABox() {
    kelbrin::gui::SetShellOpenHandler({});
    QString boxText;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&boxText] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxText = box->text();
        box->accept();
      }
    });
    poll.start(10);
    kelbrin::gui::ShellOpen(QStringLiteral("mailto:nobody-opens@example.net"));
    QTRY_VERIFY_WITH_TIMEOUT(!boxText.isEmpty(), 20000);
    QVERIFY2(boxText.startsWith(QStringLiteral("The link cannot be opened: no program")),
             qPrintable(boxText));
  }

  // The Advanced Service address carries user name and password: neither may reach a child's
  // arguments or environment. The browser gets a private page that forwards to the address.
  void aWebAddressReachesTheBrowserOnlyThroughAPrivatePage() {
    kelbrin::test::TempDir runtime;
    fs::permissions(runtime.path(), fs::perms::owner_all);
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime.path().string()));
    const QString address = QStringLiteral(
        "http://127.0.0.1:9/advanced.asp?username=ann-secret-user&password=Pw-Secret-42");

    kelbrin::gui::SetShellOpenHandler(kelbrin::gui::XdgOpenHandler(std::chrono::seconds(2)));
    kelbrin::gui::ShellOpen(address);
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(seen_ / "done"), 20000);
    for (const char* what : {"done", "environ", "cmdline"}) {
      const std::string text = seen(what);
      QVERIFY2(text.find("Pw-Secret-42") == std::string::npos, what);
      QVERIFY2(text.find("ann-secret-user") == std::string::npos, what);
    }
    const std::string argv = seen("done");
    QVERIFY2(argv.find("\nfile://" + runtime.path().string() + "/") != std::string::npos,
             argv.c_str());
    QCOMPARE(seen("mode"), std::string("600\n"));
    const std::string page = seen("page");
    QVERIFY2(page.find("url=http://127.0.0.1:9/advanced.asp?username=ann-secret-user&amp;"
                       "password=Pw-Secret-42\"") != std::string::npos,
             page.c_str());

    // The page is removed once the browser has had its time.
    QTRY_VERIFY_WITH_TIMEOUT(fs::is_empty(runtime.path()), 20000);
    kelbrin::gui::SetShellOpenHandler({});
    qputenv("XDG_RUNTIME_DIR", oldRuntime);
  }

  void webAddressGetsASchemeOnlyWhenItHasNone_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");
    QTest::newRow("host and path") << "www.example.net/client?204"
                                   << "http://www.example.net/client?204";
    QTest::newRow("with a scheme") << "https://www.example.net/"
                                   << "https://www.example.net/";
    QTest::newRow("empty") << ""
                           << "";
  }
  void webAddressGetsASchemeOnlyWhenItHasNone() {
    QFETCH(QString, address);
    QFETCH(QString, expected);
    QCOMPARE(kelbrin::gui::WebAddress(address), expected);
  }
};

QTEST_MAIN(TestShellOpen)
#include "test_shell_open.moc"
