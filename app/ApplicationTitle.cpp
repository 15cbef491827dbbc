#include "app/ApplicationTitle.h"

namespace app {

namespace {
QString& StoredTitle() {
  static QString title = QString::fromLatin1(kProductTitle);
  return title;
}
}  // namespace

QString ShortenApplicationTitle(QString title) {
  while (title.size() > kMaxApplicationTitleLength) {
    const qsizetype lastSpace = title.lastIndexOf(QLatin1Char(' '));
    // Without a space the cut could never end; keep the first 40 characters instead.
    title.truncate(lastSpace >= 0 ? lastSpace : kMaxApplicationTitleLength);
  }
  return title;
}

void SetApplicationTitle() { SetApplicationTitle(QString::fromLatin1(kProductTitle)); }

void SetApplicationTitle(const QString& title) { StoredTitle() = ShortenApplicationTitle(title); }

QString ApplicationTitle() { return StoredTitle(); }

}  // namespace app
