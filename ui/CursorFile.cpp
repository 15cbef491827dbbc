#include "ui/CursorFile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <stdexcept>

namespace ui {
namespace {

// File header: reserved (2 bytes), type (2 bytes, 2 = cursor), image count (2 bytes);
// then one 16-byte directory entry per image, whose bytes 4..7 hold the hot spot's
// x and y for cursors.
constexpr int kFileHeaderSize = 6;
constexpr int kDirectoryEntrySize = 16;
constexpr quint16 kCursorType = 2;

quint16 ReadLittle16(const QByteArray& bytes, int offset) {
  return static_cast<quint16>(static_cast<quint8>(bytes[offset]) |
                              (static_cast<quint8>(bytes[offset + 1]) << 8));
}

[[noreturn]] void Fail(const QString& path, const QString& what) {
  throw std::runtime_error(QStringLiteral("Cursor file %1: %2").arg(path, what).toStdString());
}

}  // namespace

QCursor LoadCursorFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) Fail(path, file.errorString());
  const QByteArray bytes = file.readAll();
  if (bytes.size() < kFileHeaderSize + kDirectoryEntrySize || ReadLittle16(bytes, 0) != 0 ||
      ReadLittle16(bytes, 2) != kCursorType || ReadLittle16(bytes, 4) == 0) {
    Fail(path, QStringLiteral("not a Windows cursor file"));
  }
  const int hotX = ReadLittle16(bytes, kFileHeaderSize + 4);
  const int hotY = ReadLittle16(bytes, kFileHeaderSize + 6);

  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  const QImage image = reader.read();
  if (image.isNull()) Fail(path, QStringLiteral("the picture cannot be read (%1)").arg(reader.errorString()));
  if (hotX >= image.width() || hotY >= image.height()) Fail(path, QStringLiteral("the hot spot lies outside the picture"));
  return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

}  // namespace ui
