#include "app/WebPages.h"

#include <QTime>

#include <cmath>
#include <random>

namespace app {

namespace {
constexpr int kLuckyNumber = 7;
}

void OpenWebPage(Dialogs& dialogs, const QString& address) { dialogs.openUrl(address); }

std::uint32_t LocalSecondsSinceMidnight() {
  return static_cast<std::uint32_t>(QTime::currentTime().msecsSinceStartOfDay() / 1000);
}

double SeededRandomFraction(std::uint32_t seed) {
  std::mt19937 generator(seed);
  // 32 random bits over 2^32: always below 1, unlike some library distributions.
  return static_cast<double>(generator()) / 4294967296.0;
}

int DrawOneToHundred(double fraction) {
  if (!(fraction >= 0.0)) fraction = 0.0;  // also catches NaN
  const int number = static_cast<int>(std::floor(fraction * 100.0)) + 1;
  return number > 100 ? 100 : number;
}

bool OpenHomePageAtRandom(Dialogs& dialogs, const SecondsSinceMidnight& clock, const RandomFraction& draw) {
  if (DrawOneToHundred(draw(clock())) != kLuckyNumber) return false;
  OpenWebPage(dialogs, QString::fromLatin1(kHomePageAddress));
  return true;
}

}  // namespace app
