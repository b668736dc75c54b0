#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "Screenshot.h"
#include "gui/TLoopEventFrm.h"
#include "settings/PubUtil.h"

using kelbrin::gui::TLoopEventFrm;
namespace reminders = kelbrin::reminders;
namespace settings = kelbrin::settings;

namespace {

QCheckBox* box(QWidget* dialog, std::string_view name) {
  return dialog->findChild<QCheckBox*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
}
QPushButton* button(QWidget* dialog, const char* name) {
  return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}
const reminders::EventKindInfo& kind(int k) {
  return reminders::kEventKinds[static_cast<std::size_t>(k)];
}
std::string storedConfig() {
  return settings::TPubUtil::ReadRegString(std::string(reminders::kEventConfigName));
}

}  // namespace

class TestLoopEventFrm : public QObject {
  Q_OBJECT

  QTemporaryDir configRoot_;

 private Q_SLOTS:
  void init() {
    QVERIFY(configRoot_.isValid());
    QDir(configRoot_.path()).removeRecursively();
    QDir().mkpath(configRoot_.path());
    settings::SetConfigRoot(configRoot_.path().toStdString());
  }

  void hasTheRowsBoxesAndButtonsOfTheDialog() {
    reminders::EventItems items;
    reminders::LoopEventModel model(items);
    TLoopEventFrm dialog(model);
    QCOMPARE(dialog.windowTitle(), QString("Reminder"));
    QCOMPARE(dialog.size(), QSize(533, 388));
    for (int k = 0; k < reminders::kEventKindCount; ++k) {
      QCheckBox* windows = box(&dialog, kind(k).windowsBox);
      QCheckBox* loudspeaker = box(&dialog, kind(k).loudspeakerBox);
      QCheckBox* massage = box(&dialog, kind(k).massageBox);
      QVERIFY2(windows && loudspeaker && massage, qPrintable(QString::number(k)));
      QCOMPARE(windows->text(), QString("windows"));
      QCOMPARE(loudspeaker->text(), QString("loudspeaker"));
      QCOMPARE(massage->text(), QString("massage"));
      QVERIFY(!massage->isEnabled() && !massage->isChecked());
      QVERIFY(!windows->toolTip().isEmpty());
    }
    QStringList headings;
    for (QLabel* label : dialog.findChildren<QLabel*>("LabelHeading")) {
      headings << label->text();
      QVERIFY(label->font().bold());
    }
    QCOMPARE(headings, (QStringList{"The basic services", "Domain information remind",
                                    "Network state remind"}));
    QCOMPARE(button(&dialog, "ButtonReset")->text(), QString("Default(&R)"));
    QCOMPARE(button(&dialog, "BitBtnOk")->text(), QString("Ok(&O)"));
    QCOMPARE(button(&dialog, "BitBtnCancel")->text(), QString("Cancel(&C)"));
  }

  void showsTheDefaultsWhenNothingIsStored() {
    reminders::EventItems items;
    reminders::LoopEventModel model(items);
    TLoopEventFrm dialog(model);
    dialog.show();
    for (int k = 0; k < reminders::kEventKindCount; ++k) {
      QCOMPARE(box(&dialog, kind(k).windowsBox)->isChecked(), kind(k).popupByDefault);
      QVERIFY(!box(&dialog, kind(k).loudspeakerBox)->isChecked());
    }
    keepScreenshot(dialog.grab().toImage(), "reminder-dialog.png");
    dialog.reject();
  }

  void okStoresALoudspeakerRowWithBothBoxes() {
    reminders::EventItems items;
    reminders::LoopEventModel model(items);
    TLoopEventFrm dialog(model);
    dialog.show();
    QCheckBox* windows = box(&dialog, kind(6).windowsBox);
    QCheckBox* loudspeaker = box(&dialog, kind(6).loudspeakerBox);
    QVERIFY(!windows->isChecked());
    QTest::mouseClick(loudspeaker, Qt::LeftButton);
    QVERIFY(loudspeaker->isChecked());
    QVERIFY(!windows->isChecked());  // the boxes do not react to each other before Ok
    QTest::mouseClick(button(&dialog, "BitBtnOk"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    // Defaults 65620 plus kind 6's popup (bit 12) and sound (bit 13) flags.
    QCOMPARE(storedConfig(), std::to_string(65620 + (1 << 12) + (1 << 13)));
    QVERIFY(items[6].popup && items[6].sound);
    dialog.show();
    QVERIFY(windows->isChecked() && loudspeaker->isChecked());
    dialog.reject();
  }

  void defaultThenCancelKeepsTheDefaultsInMemoryOnly() {
    settings::TPubUtil::WriteRegString(std::string(reminders::kEventConfigName), "0");
    reminders::EventItems items;
    reminders::LoopEventModel model(items);
    TLoopEventFrm dialog(model);
    dialog.show();
    QVERIFY(!box(&dialog, kind(1).windowsBox)->isChecked());  // the stored mask 0
    QTest::mouseClick(button(&dialog, "ButtonReset"), Qt::LeftButton);
    QVERIFY(box(&dialog, kind(1).windowsBox)->isChecked());
    QTest::mouseClick(button(&dialog, "BitBtnCancel"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(items[1].popup);
    QCOMPARE(storedConfig(), std::string("0"));
  }

  void showingAgainDiscardsUnsavedEdits() {
    reminders::EventItems items;
    reminders::LoopEventModel model(items);
    TLoopEventFrm dialog(model);
    dialog.show();
    QCheckBox* windows = box(&dialog, kind(4).windowsBox);
    QTest::mouseClick(windows, Qt::LeftButton);
    QVERIFY(windows->isChecked());
    dialog.hide();
    dialog.show();
    QVERIFY(!windows->isChecked());
    QVERIFY(!items[4].popup);
    dialog.reject();
  }
};

QTEST_MAIN(TestLoopEventFrm)
#include "test_loop_event_frm.moc"
