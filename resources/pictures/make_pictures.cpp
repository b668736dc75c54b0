// Draws the program's pictures (the JPEGs of the notification window, the main window and the
// about box) and the small icons (PNG, for their transparency: the log kinds, the tray states,
// the domain tree) and saves them where the resource file expects them. The build uses the
// committed files; run this only to change them:
//   g++ -std=c++20 -fPIC make_pictures.cpp $(pkg-config --cflags --libs Qt6Gui) -o
//   /tmp/make_pictures QT_QPA_PLATFORM=offscreen /tmp/make_pictures resources/pictures
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {

const QColor kDarkBlue(0x1f, 0x3f, 0x77);
const QColor kMidBlue(0x2f, 0x5f, 0xa8);

bool save(const QImage& image, const QString& dir, const QString& name) {
  return image.save(dir + "/" + name, "JPG", 95);
}

// The notification window's face, drawn at (1, 1) of its 182 x 117 window.
QImage hintBackground() {
  QImage image(180, 115, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);

  QLinearGradient body(0, 0, 0, 115);
  body.setColorAt(0, QColor(0xf7, 0xfa, 0xff));
  body.setColorAt(1, QColor(0xd9, 0xe6, 0xf7));
  p.fillRect(image.rect(), body);

  QLinearGradient band(0, 0, 0, 24);
  band.setColorAt(0, QColor(0xe3, 0xee, 0xfc));
  band.setColorAt(1, QColor(0xa9, 0xc6, 0xec));
  p.fillRect(QRect(0, 0, 180, 24), band);
  p.setPen(QPen(kMidBlue, 1));
  p.drawLine(0, 24, 180, 24);

  // A small bell left of the title.
  QPainterPath bell;
  bell.moveTo(15, 5);
  bell.cubicTo(10, 5, 10, 11, 10, 14);
  bell.lineTo(8, 17);
  bell.lineTo(22, 17);
  bell.lineTo(20, 14);
  bell.cubicTo(20, 11, 20, 5, 15, 5);
  p.setPen(Qt::NoPen);
  QLinearGradient gold(8, 5, 22, 17);
  gold.setColorAt(0, QColor(0xff, 0xe0, 0x7a));
  gold.setColorAt(1, QColor(0xe0, 0x9a, 0x1c));
  p.setBrush(gold);
  p.drawPath(bell);
  p.setBrush(kDarkBlue);
  p.drawEllipse(QPointF(15, 19), 2, 2);
  p.setPen(QPen(QColor(0x9a, 0x62, 0x0c), 1));
  p.setBrush(Qt::NoBrush);
  p.drawPath(bell);

  // The message panel and the strip that carries the link.
  p.setPen(QPen(QColor(0xb8, 0xcc, 0xe8), 1));
  p.setBrush(QColor(255, 255, 255, 150));
  p.drawRoundedRect(QRectF(5.5, 28.5, 169, 65), 4, 4);
  p.setPen(QPen(QColor(0xb8, 0xcc, 0xe8), 1));
  p.drawLine(6, 96, 174, 96);
  return image;
}

// The close button: a white cross on a dark-blue rounded square.
QImage hintClose() {
  QImage image(13, 13, QImage::Format_RGB32);
  image.fill(QColor(0xc4, 0xd8, 0xf3));  // the title band behind it
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient face(0, 0, 0, 13);
  face.setColorAt(0, kMidBlue);
  face.setColorAt(1, kDarkBlue);
  p.setPen(Qt::NoPen);
  p.setBrush(face);
  p.drawRoundedRect(QRectF(0, 0, 13, 13), 2.5, 2.5);
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(4, 4), QPointF(9, 9));
  p.drawLine(QPointF(9, 4), QPointF(4, 9));
  return image;
}

// The log's kind icons, 16 x 16: tip (blue "i"), warning (amber "!"), error (red cross).
QImage logIcon(const QColor& face, const QColor& rim, bool triangle) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, 0, 16);
  fill.setColorAt(0, face.lighter(135));
  fill.setColorAt(1, face);
  p.setPen(QPen(rim, 1));
  p.setBrush(fill);
  if (triangle) {
    p.drawPolygon(QPolygonF({QPointF(8, 1), QPointF(15, 14.5), QPointF(1, 14.5)}));
  } else {
    p.drawEllipse(QRectF(1, 1, 14, 14));
  }
  return image;
}

QImage tipIcon() {
  QImage image = logIcon(QColor(0x2f, 0x6f, 0xd0), kDarkBlue, false);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(8, 4.8), 1.3, 1.3);
  p.drawRoundedRect(QRectF(6.9, 6.8, 2.2, 6), 0.8, 0.8);
  return image;
}

QImage warningIcon() {
  QImage image = logIcon(QColor(0xf2, 0xb0, 0x1e), QColor(0x9a, 0x62, 0x0c), true);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x30, 0x20, 0x00));
  p.drawRoundedRect(QRectF(7, 5, 2, 5.5), 0.8, 0.8);
  p.drawEllipse(QPointF(8, 12.3), 1.1, 1.1);
  return image;
}

QImage errorIcon() {
  QImage image = logIcon(QColor(0xd0, 0x2b, 0x2b), QColor(0x80, 0x10, 0x10), false);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
  p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
  return image;
}

// The domain tree's icons, 16 x 16: the list (a globe), a domain in service (green globe), a
// lapsed domain (grey globe with a red bar) and a DNS record (a card with lines).
QImage globeIcon(const QColor& face, const QColor& rim) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient fill(QPointF(6, 5), 11);
  fill.setColorAt(0, face.lighter(150));
  fill.setColorAt(1, face);
  p.setPen(QPen(rim, 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(1, 1, 14, 14));
  p.setPen(QPen(QColor(255, 255, 255, 190), 0.9));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(5, 1.5, 6, 13));
  p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
  p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
  p.drawLine(QPointF(3, 11.5), QPointF(13, 11.5));
  return image;
}

QImage domainListIcon() { return globeIcon(QColor(0x2f, 0x6f, 0xd0), kDarkBlue); }
QImage domainInServiceIcon() {
  return globeIcon(QColor(0x2e, 0xa4, 0x4a), QColor(0x1b, 0x62, 0x2c));
}

QImage domainLapsedIcon() {
  QImage image = globeIcon(QColor(0x92, 0x98, 0xa4), QColor(0x5a, 0x60, 0x6c));
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::white, 1));
  p.setBrush(QColor(0xd0, 0x2b, 0x2b));
  p.drawRoundedRect(QRectF(6.5, 9.5, 9, 5), 1.2, 1.2);
  return image;
}

QImage domainRecordIcon() {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kMidBlue, 1));
  p.setBrush(QColor(0xf4, 0xf7, 0xfc));
  p.drawRoundedRect(QRectF(2.5, 1.5, 11, 13), 1.5, 1.5);
  p.setPen(QPen(kMidBlue, 1.2));
  for (double y : {5.0, 8.0, 11.0}) p.drawLine(QPointF(5, y), QPointF(11, y));
  return image;
}

// --- the main window and the about box -------------------------------------------------------

const QColor kNavy(0x0d, 0x25, 0x50);
const QColor kPageRow(0xd6, 0xe3, 0xf5);  // behind the page buttons
const QColor kPanel(0xf4, 0xf7, 0xfc);    // behind the payment-notice icon

// A globe of meridians and parallels with an arrow around it: the product's mark.
void drawMark(QPainter& p, const QPointF& centre, qreal radius) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient sea(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
  sea.setColorAt(0, QColor(0x9f, 0xd4, 0xff));
  sea.setColorAt(1, QColor(0x1f, 0x6f, 0xd0));
  p.setPen(QPen(QColor(0xe8, 0xf2, 0xff), radius / 8));
  p.setBrush(sea);
  p.drawEllipse(centre, radius, radius);
  p.setPen(QPen(QColor(255, 255, 255, 170), radius / 12));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, radius * 0.45, radius);
  p.drawLine(centre - QPointF(radius, 0), centre + QPointF(radius, 0));
  p.drawLine(centre - QPointF(0, radius), centre + QPointF(0, radius));
  p.drawLine(centre + QPointF(-radius * 0.87, -radius * 0.5),
             centre + QPointF(radius * 0.87, -radius * 0.5));
  p.drawLine(centre + QPointF(-radius * 0.87, radius * 0.5),
             centre + QPointF(radius * 0.87, radius * 0.5));
  p.setPen(QPen(QColor(0xff, 0xb4, 0x2e), radius / 5, Qt::SolidLine, Qt::RoundCap));
  const QRectF orbit(centre.x() - radius * 1.25, centre.y() - radius * 0.55, radius * 2.5,
                     radius * 1.1);
  p.drawArc(orbit, 200 * 16, 250 * 16);
  p.restore();
}

QImage navyBar(int width, int height, const QColor& top, const QColor& bottom) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient body(0, 0, 0, height);
  body.setColorAt(0, top);
  body.setColorAt(1, bottom);
  p.fillRect(image.rect(), body);
  p.setPen(QColor(255, 255, 255, 60));
  p.drawLine(0, 0, width, 0);
  return image;
}

// Image3: the title bar, the mark at its left end; the title text is a label over it.
QImage titleBar() {
  QImage image = navyBar(532, 25, QColor(0x2a, 0x5c, 0xad), kNavy);
  QPainter p(&image);
  drawMark(p, QPointF(13, 12.5), 8);
  return image;
}

// SBtnMin and SBtnClose, 17 x 17 on the title bar's colours.
QImage titleButton(bool close) {
  QImage image = navyBar(17, 17, QColor(0x2a, 0x5c, 0xad), kNavy);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient face(0, 0, 0, 17);
  face.setColorAt(0, close ? QColor(0xe8, 0x6a, 0x5a) : QColor(0x5d, 0x8f, 0xd8));
  face.setColorAt(1, close ? QColor(0xb0, 0x2a, 0x20) : QColor(0x23, 0x4f, 0x9a));
  p.setPen(QPen(QColor(255, 255, 255, 140), 1));
  p.setBrush(face);
  p.drawRoundedRect(QRectF(1.5, 1.5, 14, 14), 3, 3);
  p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
  if (close) {
    p.drawLine(QPointF(5.5, 5.5), QPointF(11.5, 11.5));
    p.drawLine(QPointF(11.5, 5.5), QPointF(5.5, 11.5));
  } else {
    p.drawLine(QPointF(5, 11.5), QPointF(12, 11.5));
  }
  return image;
}

QImage nightSky(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter p(&image);
  QLinearGradient sky(0, 0, width, height);
  sky.setColorAt(0, QColor(0x07, 0x1a, 0x3d));
  sky.setColorAt(0.55, QColor(0x15, 0x3d, 0x80));
  sky.setColorAt(1, QColor(0x0a, 0x24, 0x55));
  p.fillRect(image.rect(), sky);
  return image;
}

// Lit nodes around `hub`, each joined to the mark drawn there.
void drawNetwork(QPainter& p, const QPointF& hub, qreal radius) {
  const QPointF offsets[] = {{-110, -17}, {-80, 17}, {-88, -3}, {-60, 20}, {-35, -21},
                             {35, -18},   {42, 19},  {-125, 9}, {20, 23},  {-25, 13}};
  for (const QPointF& offset : offsets) {
    const QPointF node = hub + offset;
    p.setPen(QPen(QColor(0x7f, 0xb8, 0xff, 90), 1));
    p.drawLine(node, hub);
    QRadialGradient glow(node, 4);
    glow.setColorAt(0, QColor(0xd8, 0xec, 0xff));
    glow.setColorAt(1, QColor(0x7f, 0xb8, 0xff, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(node, 4, 4);
  }
  drawMark(p, hub, radius);
}

// Panel5: the banner, a night map of lit nodes joined to the mark.
QImage banner() {
  QImage image = nightSky(532, 55);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawNetwork(p, QPointF(480, 27), 18);
  return image;  // its texts are the program's, drawn in the user's language
}

// Image6: the bottom bar.
QImage bottomBar() { return navyBar(532, 24, QColor(0x1d, 0x4a, 0x8f), kNavy); }

// The page buttons' pictures, 20 x 20 on the page row's colour.
QImage pageButtonPicture(int page) {
  QImage image(20, 20, QImage::Format_RGB32);
  image.fill(kPageRow);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink(0x1d, 0x4a, 0x8f);
  const QColor accent(0x3f, 0x8f, 0xe8);
  p.setPen(QPen(ink, 1.4));
  switch (page) {
    case 0:  // State: a person
      p.setBrush(accent);
      p.drawEllipse(QPointF(10, 6.5), 3.6, 3.6);
      p.drawRoundedRect(QRectF(3.5, 11.5, 13, 7), 3.5, 3.5);
      break;
    case 1:  // Network: two screens and a link
      p.setBrush(accent);
      p.drawRect(QRectF(1.5, 2.5, 8, 6));
      p.drawRect(QRectF(10.5, 11.5, 8, 6));
      p.setBrush(Qt::NoBrush);
      p.drawLine(QPointF(5.5, 8.5), QPointF(5.5, 14.5));
      p.drawLine(QPointF(5.5, 14.5), QPointF(10.5, 14.5));
      break;
    case 2:  // Domain: the globe
      drawMark(p, QPointF(10, 10), 7.5);
      break;
    case 3:  // Service: a star
      p.setBrush(QColor(0xff, 0xb4, 0x2e));
      p.setPen(QPen(QColor(0x9a, 0x62, 0x0c), 1));
      {
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
          const qreal r = i % 2 == 0 ? 8.5 : 3.8;
          const qreal a = -M_PI / 2 + i * M_PI / 5;
          star << QPointF(10 + r * std::cos(a), 10.5 + r * std::sin(a));
        }
        p.drawPolygon(star);
      }
      break;
    default:  // Log: a sheet with lines
      p.setBrush(Qt::white);
      p.drawRect(QRectF(3.5, 1.5, 13, 17));
      p.setPen(QPen(accent, 1.4));
      for (int y = 6; y <= 15; y += 3) p.drawLine(QPointF(6, y), QPointF(14, y));
      break;
  }
  return image;
}

// Image1 of the account panel: the payment notice, a small bill with a clock mark.
QImage paymentNotice() {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(kPanel);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x9a, 0x62, 0x0c), 1));
  p.setBrush(QColor(0xff, 0xd2, 0x5e));
  p.drawRoundedRect(QRectF(1.5, 3.5, 13, 9), 1.5, 1.5);
  p.setPen(QPen(QColor(0xb0, 0x2a, 0x20), 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 5.5), QPointF(8, 8.5));
  p.drawPoint(QPointF(8, 10.6));
  return image;
}

// ABOUT_BMP: the about box's picture, 359 x 85.
QImage aboutPicture() {
  QImage image = nightSky(359, 85);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawMark(p, QPointF(40, 42), 24);
  return image;  // its texts are the program's, drawn in the user's language
}

// The tray icons, 32 x 32: the mark, dimmed with a grey dot offline, lit with a green dot online.
QImage trayIcon(bool online) {
  QImage image(32, 32, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  drawMark(p, QPointF(15, 15), 12);
  if (!online) {
    p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    p.fillRect(image.rect(), QColor(0x70, 0x78, 0x88, 170));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  p.setPen(QPen(Qt::white, 2));
  p.setBrush(online ? QColor(0x2e, 0xc4, 0x4a) : QColor(0x9a, 0x9a, 0x9a));
  p.drawEllipse(QPointF(24.5, 24.5), 6, 6);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  const QString icons = dir + "/../icons";
  const bool ok =
      save(hintBackground(), dir, "animate_background.jpg") &&
      save(hintClose(), dir, "animate_close.jpg") && tipIcon().save(icons + "/log_tip.png") &&
      warningIcon().save(icons + "/log_warning.png") && errorIcon().save(icons + "/log_error.png");
  bool mainWindowOk =
      save(titleBar(), dir, "title_bar.jpg") && save(titleButton(false), dir, "title_min.jpg") &&
      save(titleButton(true), dir, "title_close.jpg") && save(banner(), dir, "banner.jpg") &&
      save(bottomBar(), dir, "bottom_bar.jpg") &&
      save(paymentNotice(), dir, "payment_notice.jpg") && save(aboutPicture(), dir, "about.jpg") &&
      trayIcon(false).save(icons + "/tray_offline.png") &&
      trayIcon(true).save(icons + "/tray_online.png") &&
      domainListIcon().save(icons + "/domain_list.png") &&
      domainInServiceIcon().save(icons + "/domain_in_service.png") &&
      domainLapsedIcon().save(icons + "/domain_lapsed.png") &&
      domainRecordIcon().save(icons + "/domain_record.png");
  for (int page = 0; page < 5; ++page) {
    mainWindowOk =
        mainWindowOk && save(pageButtonPicture(page), dir, QStringLiteral("page_%1.jpg").arg(page));
  }
  return ok && mainWindowOk ? 0 : 1;
}
