#include "tools/cli/TerminalProgress.h"

#include <cstdio>
#include <string>

namespace cli {

void TerminalProgress::setPercent(double percent) {
  const int whole = static_cast<int>(percent);
  if (!enabled_ || whole == shown_) return;
  shown_ = whole;
  constexpr int kWidth = 40;
  const int filled = whole * kWidth / 100;
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kWidth - filled), ' ');
  std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), whole);
  std::fflush(stderr);
}

void TerminalProgress::reset(const QString&) {
  if (enabled_ && shown_ >= 0) {
    std::fprintf(stderr, "\r%*s\r", 48, "");
    std::fflush(stderr);
  }
  shown_ = -1;
}

}  // namespace cli
