// Draws the program's icon: two database drums side by side with a two-way arrow
// between them, on a rounded tile. Writes a PNG of the given size.
//
// Usage: draw_program_icon OUTPUT.png [SIZE]
// The committed resources/desktop/tabloren.png is this tool's output at 256.
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

void DrawDrum(QPainter& p, QRectF box, const QColor& body) {
  const qreal capHeight = box.height() * 0.22;
  const QRectF top(box.left(), box.top(), box.width(), capHeight);
  const QRectF bottom(box.left(), box.bottom() - capHeight, box.width(), capHeight);
  QPainterPath side;
  side.moveTo(box.left(), top.center().y());
  side.lineTo(box.left(), bottom.center().y());
  side.arcTo(bottom, 180, 180);
  side.lineTo(box.right(), top.center().y());
  side.closeSubpath();
  p.setPen(QPen(body.darker(160), box.width() * 0.04));
  p.setBrush(body);
  p.drawPath(side);
  // Two bands, as on a stack of disks.
  for (const qreal at : {0.38, 0.62}) {
    const QRectF band(box.left(), box.top() + box.height() * at - capHeight / 2, box.width(), capHeight);
    p.setBrush(Qt::NoBrush);
    p.drawArc(band, 180 * 16, 180 * 16);
  }
  p.setBrush(body.lighter(135));
  p.drawEllipse(top);
}

void DrawArrowHead(QPainter& p, QPointF tip, qreal direction, qreal size) {
  QPainterPath head;
  head.moveTo(tip);
  head.lineTo(tip.x() - direction * size, tip.y() - size * 0.7);
  head.lineTo(tip.x() - direction * size, tip.y() + size * 0.7);
  head.closeSubpath();
  p.drawPath(head);
}

QImage DrawIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 256.0, size / 256.0);

  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x26, 0x4d, 0x73));
  p.drawRoundedRect(QRectF(8, 8, 240, 240), 40, 40);

  DrawDrum(p, QRectF(28, 62, 78, 132), QColor(0xc0, 0x3b, 0x2b));
  DrawDrum(p, QRectF(150, 62, 78, 132), QColor(0x3a, 0x8f, 0xd0));

  const QColor arrow(0xf4, 0xf1, 0xe8);
  p.setPen(QPen(arrow, 10, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(116, 104), QPointF(132, 104));
  p.drawLine(QPointF(124, 152), QPointF(140, 152));
  p.setPen(Qt::NoPen);
  p.setBrush(arrow);
  DrawArrowHead(p, QPointF(146, 104), 1, 16);
  DrawArrowHead(p, QPointF(110, 152), -1, 16);
  p.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [SIZE]\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  const int size = argc == 3 ? std::atoi(argv[2]) : 256;
  if (size < 16 || size > 1024) {
    std::fprintf(stderr, "%s: SIZE must lie between 16 and 1024\n", argv[0]);
    return 2;
  }
  if (!DrawIcon(size).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
