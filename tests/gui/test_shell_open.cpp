#include <QtTest>
#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "gui/ShellOpen.h"

// The real ShellOpen hands the target to xdg-open; a fake one on PATH writes down what it got.
class TestShellOpen : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void passesTheTargetToXdgOpen() {
    kelbrin::test::TempDir dir;
    const std::filesystem::path fake = dir / "xdg-open";
    const std::filesystem::path seen = dir / "seen";
    std::ofstream(fake) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << seen.string() << ".part'\nmv '"
                        << seen.string() << ".part' '" << seen.string() << "'\n";
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(dir.path().string()) + ':' + path);

    kelbrin::gui::SetShellOpenHandler({});  // the default: xdg-open
    kelbrin::gui::ShellOpen(QStringLiteral("mailto:support@example.net"));
    QTRY_VERIFY(std::filesystem::exists(seen));
    std::ifstream in(seen);
    const std::string target((std::istreambuf_iterator<char>(in)), {});
    QCOMPARE(target, std::string("mailto:support@example.net"));
    qputenv("PATH", path);
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
