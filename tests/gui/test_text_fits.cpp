// The longest texts the desktop shows stay inside their frames: each is laid out whole inside
// its label, or cut with "…" and whole in the label's tooltip.
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <algorithm>
#include <clocale>
#include <memory>

#include "MainFormFixture.h"
#include "MessagesLocale.h"
#include "Screenshot.h"
#include "gui/QtTranslations.h"
#include "gui/StatePage.h"
#include "gui/TFAbout.h"
#include "gui/TFAnimateHint.h"
#include "gui/TLoopEventFrm.h"
#include "gui/WrappingLabel.h"
#include "reminders/EventKinds.h"
#include "runtime/Translate.h"

using namespace std::chrono_literals;
using kelbrin::gui::TFAbout;
using kelbrin::gui::TFAnimateHint;
using kelbrin::gui::TLoopEventFrm;
using kelbrin::gui::TMainForm;
using kelbrin::gui::WrappingLabel;
using kelbrin::gui::test::MainFormRig;
using kelbrin::test::MessagesLocale;

namespace {

const QString kIpv6 = QStringLiteral("2001:0db8:85a3:0000:0000:8a2e:0370:7334");
const QString kLongDomain = QStringLiteral("customer-portal-eu-west.example-company-group.com.cn");

// The message panel of the popup's picture, in window coordinates (the picture is drawn at 1, 1).
const QRect kPopupPanel(6, 29, 170, 66);

QString reminderText(int kind, const QString& argument) {
  const std::string_view format =
      kelbrin::reminders::kEventKinds[static_cast<std::size_t>(kind)].firstText;
  QString text = QString::fromUtf8(format.data(), static_cast<qsizetype>(format.size()));
  return text.replace(QStringLiteral("%s"), argument);
}

// The top-level window of type T that is showing, if any.
template <typename T>
T* shownDialog() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* found = qobject_cast<T*>(window); found != nullptr && found->isVisible())
      return found;
  }
  return nullptr;
}

QString describe(const QRect& r) {
  return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

// What the label draws lies inside its contents rectangle, and is the whole text or is cut with
// the whole text as the tooltip.
void checkLabelShowsItsText(const WrappingLabel* label, const QString& whole) {
  QCOMPARE(label->text(), whole);
  const QRect inner = label->contentsRect();
  const QSize drawn = WrappingLabel::TextSize(label->font(), inner.width(), label->Shown());
  QVERIFY2(drawn.width() <= inner.width() && drawn.height() <= inner.height(),
           qPrintable(QStringLiteral("%1 needs %2x%3 in %4")
                          .arg(label->Shown())
                          .arg(drawn.width())
                          .arg(drawn.height())
                          .arg(describe(inner))));
  if (label->IsElided()) {
    QVERIFY(label->Shown().endsWith(QStringLiteral("…")));
    QCOMPARE(label->toolTip(), whole);
  } else {
    QCOMPARE(label->Shown(), whole);
    QVERIFY(label->toolTip().isEmpty());
  }
}

// Every caption of `window` that is shown and not allowed to wrap or cut: "caption needs/has" for
// each one its frame clips.
QStringList clippedCaptions(QWidget* window) {
  QStringList clipped;
  const auto note = [&](const QString& caption, int needed, int room) {
    if (needed > room)
      clipped << QStringLiteral("%1 needs %2/%3").arg(caption).arg(needed).arg(room);
  };
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    if (!button->isVisible() || button->text().isEmpty()) continue;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool box = qobject_cast<QCheckBox*>(button) != nullptr;
    const QRect contents = button->style()->subElementRect(
        box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents, &option, button);
    const QString caption = QString(button->text()).remove('&');
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    note(caption, button->fontMetrics().horizontalAdvance(caption) + icon, contents.width());
  }
  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty() || label->wordWrap()) continue;
    if (qobject_cast<WrappingLabel*>(label) != nullptr) continue;  // cuts with "…" and a tooltip
    // A label that carries a mnemonic for its buddy draws its text without the '&'.
    const QString shown = label->buddy() ? QString(label->text()).remove('&') : label->text();
    note(shown, label->fontMetrics().horizontalAdvance(shown),
         label->contentsRect().width() - 2 * label->margin() - label->indent());
  }
  for (QGroupBox* group : window->findChildren<QGroupBox*>()) {
    if (!group->isVisible() || group->title().isEmpty()) continue;
    note(group->title(), group->fontMetrics().horizontalAdvance(group->title()), group->width());
  }
  return clipped;
}

}  // namespace

class TestTextFits : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void cleanup() {
    if (TFAnimateHint* hint = TFAnimateHint::Current()) hint->close();
    QTRY_VERIFY(TFAnimateHint::Current() == nullptr);
  }

  void popupTextsStayInsideThePicturesPanel_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("whole");  // expected to fit without cutting
    QTest::addColumn<QString>("file");
    QTest::newRow("kind 0") << reminderText(0, "14") << true << "notification-payment.png";
    QTest::newRow("kind 4") << reminderText(4, "example.net") << true << "";
    QTest::newRow("kind 5") << reminderText(5, "example.net") << true << "";
    QTest::newRow("kind 5, long domain") << reminderText(5, kLongDomain) << false << "";
    QTest::newRow("IPv6 address") << "IP updates successfully：" + kIpv6 << true
                                  << "notification-ipv6.png";
  }
  void popupTextsStayInsideThePicturesPanel() {
    QFETCH(QString, text);
    QFETCH(bool, whole);
    QFETCH(QString, file);
    kelbrin::runtime::Pace pace;
    pace.popupSlideStep = 1ms;
    pace.popupDelay = 600000ms;
    TFAnimateHint* hint = TFAnimateHint::ShowHintPopup("Warning", text, pace);
    QVERIFY(QTest::qWaitFor([&] { return hint->findChild<QTimer*>("TimerDelay")->isActive(); }));
    auto* info = hint->findChild<WrappingLabel*>("LblInfo");
    QVERIFY(info);
    QVERIFY2(kPopupPanel.contains(info->geometry()), qPrintable(describe(info->geometry())));
    checkLabelShowsItsText(info, text);
    QCOMPARE(!info->IsElided(), whole);

    // The title is whole too.
    auto* title = hint->findChild<QLabel*>("LblTitle");
    QVERIFY(title->fontMetrics().horizontalAdvance(title->text()) <= title->width());

    // Nothing dark is drawn between the panel and the window's edge beside and below the text.
    const QImage shot = hint->grab().toImage();
    for (int y = kPopupPanel.top(); y <= kPopupPanel.bottom() + 2; ++y) {
      for (int x : {2, 3, 4, 178, 179}) {
        QVERIFY2(shot.pixelColor(x, y).lightness() > 90,
                 qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
      }
    }
    if (!file.isEmpty()) keepScreenshot(shot, file);
  }

  // An IPv6 address on the State page is shown whole inside the account box.
  void anIpv6AddressIsWholeInTheIpLabel() {
    MainFormRig rig;
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    kelbrin::session::SessionView view = rig.controller->View();
    view.Label27 = kIpv6.toStdString();
    view.Label29 = "Glory lifetime user";
    auto* page = rig.form->findChild<kelbrin::gui::StatePage*>("TabSheet1");
    page->ShowView(view);
    QCoreApplication::processEvents();
    auto* label27 = rig.find<WrappingLabel>("Label27");
    checkLabelShowsItsText(label27, kIpv6);
    QVERIFY(!label27->IsElided());
    QWidget* box = rig.find<QWidget>("PanelAccount");
    const QRect inBox(label27->mapTo(box, QPoint(0, 0)), label27->size());
    QVERIFY2(box->rect().contains(inBox), qPrintable(describe(inBox)));
    checkLabelShowsItsText(rig.find<WrappingLabel>("Label29"), "Glory lifetime user");
    keepScreenshot(rig.form->grab().toImage(), "main-window-ipv6.png");
  }

  // Under the Chinese catalog every page of the window, the about box and the reminder dialog
  // show their captions whole.
  void everyChineseCaptionIsWhole() {
    kelbrin::runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
    const MessagesLocale chinese("zh_CN.UTF-8");
    QVERIFY2(chinese.chosen(), "zh_CN.UTF-8 is not installed (scripts/setup installs locales-all)");
    MainFormRig rig;
    rig.form->ShowFromTray();
    QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
    QCOMPARE(rig.find<QPushButton>("BtnLogon")->text(), QStringLiteral("登录"));
    QStringList clipped;
    for (int page = TMainForm::kStatePage; page <= TMainForm::kLogPage; ++page) {
      rig.form->SetActivePage(page);
      QCoreApplication::processEvents();
      clipped << clippedCaptions(rig.form.get());
      keepScreenshot(rig.form->grab().toImage(), QStringLiteral("zh_CN-page-%1.png").arg(page));
    }

    rig.form->ShowAbout();
    auto* about = shownDialog<TFAbout>();
    QVERIFY(about != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(about));
    QCOMPARE(about->findChild<QLabel*>("Label1")->text(), QStringLiteral("版本："));
    clipped << clippedCaptions(about);
    keepScreenshot(about->grab().toImage(), "zh_CN-about-box.png");
    about->close();

    // The reminder dialog runs modally: it is looked at from inside its own loop.
    QString reminderTitle;
    QTimer::singleShot(0, this, [&] {
      TLoopEventFrm* reminder = shownDialog<TLoopEventFrm>();
      if (reminder == nullptr) return;
      reminderTitle = reminder->windowTitle();
      clipped << clippedCaptions(reminder);
      keepScreenshot(reminder->grab().toImage(), "zh_CN-reminder-dialog.png");
      reminder->reject();
    });
    rig.form->ShowAlertSetup();
    QCOMPARE(reminderTitle, QStringLiteral("提醒设置"));
    clipped.removeDuplicates();
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
  }

  // Under Chinese, Qt's own texts are Chinese too, and whole: the buttons of the question before
  // clearing the log, and the save dialog of the log (Qt's own, not the desktop's).
  void qtsOwnTextsAreChineseAndWhole() {
    kelbrin::runtime::UseCatalogs(KELBRIN_BUILD_LOCALE_DIR);
    const MessagesLocale chinese("zh_CN.UTF-8");
    QVERIFY2(chinese.chosen(), "zh_CN.UTF-8 is not installed (scripts/setup installs locales-all)");
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const std::unique_ptr<QTranslator> qt(kelbrin::gui::LoadQtTranslations(*qApp));
    QLocale::setDefault(previous);
    if (!qt)
      QSKIP("Qt's Chinese catalog is missing (scripts/setup installs qt6-translations-l10n)");

    MainFormRig rig;
    rig.form->ShowFromTray();
    rig.form->SetActivePage(TMainForm::kLogPage);
    QStringList clipped;
    QStringList boxButtons;
    QTimer::singleShot(0, this, [&] {
      auto* box = shownDialog<QMessageBox>();
      if (box == nullptr) return;
      for (QAbstractButton* button : box->buttons()) boxButtons << button->text().remove('&');
      clipped << clippedCaptions(box);
      keepScreenshot(box->grab().toImage(), "zh_CN-log-clear-question.png");
      box->reject();
    });
    QTest::mouseClick(rig.find<QPushButton>("BtnClearLog"), Qt::LeftButton);
    boxButtons.sort();
    QCOMPARE(boxButtons, QStringList({QStringLiteral("取消"), QStringLiteral("确定")}));

    rig.root->EventLog().AddLog(0, "something to save");  // an empty log offers no dialog
    QStringList dialogTexts;
    QTimer::singleShot(0, this, [&] {
      auto* dialog = shownDialog<QFileDialog>();
      if (dialog == nullptr) return;
      for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
        const auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name));
        dialogTexts << (label ? label->text().remove('&') : QStringLiteral("(no %1)").arg(name));
      }
      for (QAbstractButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->isVisible()) dialogTexts << button->text().remove('&');
      }
      clipped << clippedCaptions(dialog);
      keepScreenshot(dialog->grab().toImage(), "zh_CN-save-dialog.png");
      dialog->reject();
    });
    QTest::mouseClick(rig.find<QPushButton>("BtnSaveLog"), Qt::LeftButton);
    QVERIFY(dialogTexts.size() >= 5);  // three labels, Save and Cancel
    for (const QString& text : dialogTexts) {
      const bool han = std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x4e00 && c.unicode() <= 0x9fff;
      });
      QVERIFY2(han, qPrintable(QStringLiteral("not Chinese: ") + dialogTexts.join(" | ")));
    }
    clipped.removeDuplicates();
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
  }

  // The question before clearing the log shows its buttons' captions whole.
  void theClearQuestionShowsItsButtonsWhole() {
    MainFormRig rig;
    rig.form->ShowFromTray();
    rig.form->SetActivePage(TMainForm::kLogPage);
    QStringList checked;
    QStringList cut;
    QTimer::singleShot(0, this, [&] {
      QMessageBox* box = nullptr;
      for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<QMessageBox*>(window); found && found->isVisible()) {
          box = found;
        }
      }
      if (box == nullptr) return;
      for (QPushButton* button : box->findChildren<QPushButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect contents =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        const QString caption = QString(button->text()).remove('&');
        // An icon beside the caption takes its width and a gap from the same room.
        const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        const int needed = button->fontMetrics().horizontalAdvance(caption) + icon;
        checked << QStringLiteral("%1 %2/%3").arg(caption).arg(needed).arg(contents.width());
        if (needed > contents.width()) cut << caption;
      }
      keepScreenshot(box->grab().toImage(), "log-clear-question.png");
      box->reject();
    });
    QTest::mouseClick(rig.find<QPushButton>("BtnClearLog"), Qt::LeftButton);
    QCOMPARE(checked.size(), 2);
    QVERIFY2(cut.isEmpty(), qPrintable(checked.join("; ")));
  }
};

QTEST_MAIN(TestTextFits)
#include "test_text_fits.moc"
