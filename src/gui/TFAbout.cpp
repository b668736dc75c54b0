#include "gui/TFAbout.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/LinkLabel.h"
#include "gui/PictureCaption.h"
#include "gui/ProgramFont.h"
#include "gui/ShellOpen.h"
#include "gui/UiText.h"
#include "session/StringTable.h"

namespace kelbrin::gui {

namespace {

const char* const kStyle = R"(
  QDialog#TFAbout { background: #eef3fb; }
  QWidget#PanelBottom { background: #d6e3f5; border-top: 1px solid #9fb8dc; }
  QLabel#LabelMaker { color: #1f3f77; }
  QPushButton#BtnApply { color: white; border: 1px solid #163a72; border-radius: 3px;
                         padding: 3px 12px; min-width: 60px;
                         background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4f86d6,
                                                     stop:1 #1d4a8f); }
)";

QLabel* MakeLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

LinkLabel* MakeLink(const QString& text, const char* name, QWidget* parent) {
  auto* link = new LinkLabel(text, parent);
  link->setObjectName(QString::fromLatin1(name));
  link->SetHover(LinkLabel::Hover::RedOnHover);
  QFont face = link->font();
  face.setBold(true);
  face.setUnderline(true);
  link->setFont(face);
  return link;
}

}  // namespace

TFAbout::TFAbout(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TFAbout"));
  setWindowTitle(UiText("About Zorvan..."));
  setFont(ProgramFont());
  setFixedSize(359, 231);
  setStyleSheet(QString::fromLatin1(kStyle));

  auto* picture = MakeLabel(QString(), "Image1", this);
  picture->setPixmap(QPixmap::fromImage(AboutPicture()));
  picture->setFixedHeight(85);

  auto* version = MakeLabel(QStringLiteral("V6.0"), "LblVer", this);
  QFont bold = version->font();
  bold.setBold(true);
  version->setFont(bold);
  auto* versionCaption = MakeLabel(UiText("Version:"), "Label1", this);
  versionCaption->setFont(bold);
  lblSite_ = MakeLink(QString::fromStdString(session::LoadTableString(session::kWebAddressEntry)),
                      "LblSite", this);
  lblSupport_ =
      MakeLink(QString::fromStdString(session::LoadTableString(session::kSupportMailEntry)),
               "LblSupport", this);
  connect(lblSite_, &LinkLabel::clicked, this, [this] { ShellOpen(lblSite_->text()); });
  connect(lblSupport_, &LinkLabel::clicked, this,
          [this] { ShellOpen(QStringLiteral("mailto:") + lblSupport_->text()); });

  auto* facts = new QGridLayout;
  facts->setContentsMargins(24, 10, 24, 8);
  facts->setHorizontalSpacing(10);
  facts->setVerticalSpacing(7);
  facts->addWidget(versionCaption, 0, 0);
  facts->addWidget(version, 0, 1);
  facts->addWidget(MakeLabel(UiText("Kelbrin Networks:"), "LblSiteStr", this), 1, 0);
  facts->addWidget(lblSite_, 1, 1);
  facts->addWidget(MakeLabel(UiText("Technology Support："), "LblSupportStr", this), 2, 0);
  facts->addWidget(lblSupport_, 2, 1);
  facts->setColumnStretch(1, 1);

  auto* bottom = new QWidget(this);
  bottom->setObjectName(QStringLiteral("PanelBottom"));
  bottom->setAttribute(Qt::WA_StyledBackground);
  auto* ok = new QPushButton(UiText("Ok"), bottom);
  ok->setObjectName(QStringLiteral("BtnApply"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* bottomRow = new QHBoxLayout(bottom);
  bottomRow->setContentsMargins(12, 6, 12, 6);
  bottomRow->addWidget(
      MakeLabel(UiText("Kelbrin Networks - free to copy and pass on."), "LabelMaker", bottom));
  bottomRow->addStretch();
  bottomRow->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(picture);
  layout->addLayout(facts);
  layout->addStretch();
  layout->addWidget(bottom);
}

void TFAbout::ShowModal(const QWidget* over) {
  setWindowModality(Qt::ApplicationModal);
  const QRect area = over != nullptr && over->isVisible() ? over->frameGeometry()
                     : screen() != nullptr                ? screen()->availableGeometry()
                                                          : QRect();
  if (area.isValid()) move(area.center() - rect().center());
  show();
  raise();
  activateWindow();
}

void TFAbout::mouseDoubleClickEvent(QMouseEvent* event) {
  QDialog::mouseDoubleClickEvent(event);
  accept();
}

}  // namespace kelbrin::gui
