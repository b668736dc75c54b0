// Draws the 16 x 16 pictures of the system information tree and saves them as PNG (for their
// transparency) next to this file, named by the index the tree gives them. The build uses the
// committed files; run this only to change them:
//   g++ -std=c++20 -fPIC make_sysinfo_icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o
//   /tmp/make_sysinfo_icons && QT_QPA_PLATFORM=offscreen /tmp/make_sysinfo_icons resources/icons
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <functional>

namespace {

const QColor kDarkBlue(0x1f, 0x3f, 0x77);
const QColor kMidBlue(0x2f, 0x5f, 0xa8);
const QColor kLightBlue(0x9f, 0xc4, 0xf0);
const QColor kGreen(0x2e, 0x8b, 0x3a);
const QColor kChip(0x44, 0x4a, 0x55);
const QColor kGold(0xd9, 0xa4, 0x1e);

QImage draw(const std::function<void(QPainter&)>& paint) {
  QImage image(16, 16, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  paint(p);
  return image;
}

// 0: the machine, a monitor on its foot.
void system(QPainter& p) {
  QLinearGradient screen(0, 2, 0, 11);
  screen.setColorAt(0, kLightBlue);
  screen.setColorAt(1, kMidBlue);
  p.setPen(QPen(kDarkBlue, 1));
  p.setBrush(screen);
  p.drawRoundedRect(QRectF(1.5, 1.5, 13, 9.5), 1.5, 1.5);
  p.setBrush(kDarkBlue);
  p.drawRect(QRectF(6.5, 11, 3, 2));
  p.drawRoundedRect(QRectF(3.5, 13, 9, 1.5), 0.7, 0.7);
}

// 1: a detail line, a small bullet.
void detail(QPainter& p) {
  p.setPen(QPen(kDarkBlue, 1));
  p.setBrush(kLightBlue);
  p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
}

// 2: the operating system, a window with its title bar and four panes.
void os(QPainter& p) {
  p.setPen(QPen(kDarkBlue, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(1.5, 2.5, 13, 11));
  p.setBrush(kMidBlue);
  p.drawRect(QRectF(1.5, 2.5, 13, 3));
  p.setPen(Qt::NoPen);
  p.setBrush(kLightBlue);
  for (const QRectF& pane : {QRectF(3, 7, 4.5, 2.5), QRectF(8.5, 7, 4.5, 2.5),
                             QRectF(3, 10.5, 4.5, 2), QRectF(8.5, 10.5, 4.5, 2)})
    p.drawRect(pane);
}

void chip(QPainter& p, const QRectF& body) {
  p.setPen(QPen(kGold, 1));
  for (double at = body.left() + 2; at < body.right() - 1; at += 2.5) {
    p.drawLine(QPointF(at, body.top() - 1.5), QPointF(at, body.top()));
    p.drawLine(QPointF(at, body.bottom()), QPointF(at, body.bottom() + 1.5));
  }
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(kChip);
  p.drawRoundedRect(body, 1, 1);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x8a, 0x93, 0xa3));
  p.drawEllipse(QRectF(body.left() + 1.5, body.top() + 1.5, 2, 2));
}

// 3: the processors, two chips one behind the other.
void cpus(QPainter& p) {
  chip(p, QRectF(1.5, 2.5, 9, 6));
  chip(p, QRectF(5.5, 8.5, 9, 5));
}

// 4: one processor.
void cpu(QPainter& p) { chip(p, QRectF(2.5, 4.5, 11, 7)); }

// 6: memory, a module with its chips and gold contacts.
void memory(QPainter& p) {
  p.setPen(QPen(QColor(0x1d, 0x5e, 0x2a), 1));
  p.setBrush(kGreen);
  p.drawRect(QRectF(0.5, 4.5, 15, 7));
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  for (int i = 0; i < 4; ++i) p.drawRect(QRectF(1.5 + i * 3.5, 5.5, 2.5, 3.5));
  p.setBrush(kGold);
  for (int i = 0; i < 7; ++i) p.drawRect(QRectF(1.5 + i * 2, 10, 1, 1.5));
}

// 7: an amount of memory, a gauge half filled.
void memoryValue(QPainter& p) {
  p.setPen(QPen(kDarkBlue, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(1.5, 5.5, 13, 5));
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  p.drawRect(QRectF(2.5, 6.5, 7, 3.5));
}

// 9: a network card, a board with its socket.
void card(QPainter& p) {
  p.setPen(QPen(QColor(0x1d, 0x5e, 0x2a), 1));
  p.setBrush(kGreen);
  p.drawRect(QRectF(1.5, 3.5, 11, 8));
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(QColor(0xc8, 0xcc, 0xd2));
  p.drawRect(QRectF(11.5, 4.5, 3.5, 5));
  p.setPen(Qt::NoPen);
  p.setBrush(kChip);
  p.drawRect(QRectF(3.5, 5.5, 4, 4));
  p.setBrush(kGold);
  for (int i = 0; i < 5; ++i) p.drawRect(QRectF(2.5 + i * 2, 11.5, 1, 2));
}

// 10: the network, a globe.
void network(QPainter& p) {
  QLinearGradient sea(0, 1, 0, 15);
  sea.setColorAt(0, kLightBlue);
  sea.setColorAt(1, kMidBlue);
  p.setPen(QPen(kDarkBlue, 1));
  p.setBrush(sea);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(5, 1.5, 6, 13));
  p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
  p.drawLine(QPointF(8, 1.5), QPointF(8, 14.5));
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  const std::pair<int, void (*)(QPainter&)> pictures[] = {
      {0, system}, {1, detail},      {2, os},   {3, cpus},    {4, cpu},
      {6, memory}, {7, memoryValue}, {9, card}, {10, network}};
  for (const auto& [index, paint] : pictures) {
    if (!draw(paint).save(QStringLiteral("%1/sysinfo_%2.png").arg(dir).arg(index), "PNG")) return 1;
  }
  return 0;
}
