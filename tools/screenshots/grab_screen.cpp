// Saves what the X display shows, cut to the windows on it, as a PNG. Waits until
// something other than the bare background shows and the picture has stopped
// changing, so it can be started together with the program it photographs.
//
// Usage: grab_screen OUTPUT.png [TIMEOUT_SECONDS]
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>

namespace {

// The smallest rectangle holding every pixel that differs from the background
// (the colour of the top-left corner, which no window covers).
QRect ContentBounds(const QImage& image) {
  const QRgb background = image.pixel(0, 0);
  int left = image.width(), top = image.height(), right = -1, bottom = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (line[x] == background) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

QImage Grab() {
  return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s OUTPUT.png [TIMEOUT_SECONDS]\n", argv[0]);
    return 2;
  }
  QGuiApplication application(argc, argv);
  const int timeoutMs = (argc == 3 ? std::atoi(argv[2]) : 20) * 1000;
  QElapsedTimer clock;
  clock.start();
  QImage previous;
  int stableRounds = 0;
  while (clock.elapsed() < timeoutMs) {
    const QImage current = Grab();
    const bool showsSomething = !ContentBounds(current).isNull();
    stableRounds = (showsSomething && current == previous) ? stableRounds + 1 : 0;
    if (stableRounds >= 3) {
      const QRect bounds = ContentBounds(current).adjusted(-8, -8, 8, 8).intersected(current.rect());
      if (!current.copy(bounds).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
      }
      return 0;
    }
    previous = current;
    QThread::msleep(300);
  }
  std::fprintf(stderr, "%s: no window appeared within %d s\n", argv[0], timeoutMs / 1000);
  return 1;
}
