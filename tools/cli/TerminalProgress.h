// The progress bar of the batch command, drawn on stderr when stderr is a terminal; redrawn
// only when the whole percentage changes, so it costs nothing per row.
#pragma once

#include "transfer/TransferEnvironment.h"

namespace cli {

class TerminalProgress : public transfer::ProgressSink {
 public:
  explicit TerminalProgress(bool enabled) : enabled_(enabled) {}
  void setPercent(double percent) override;
  void reset(const QString& caption) override;

 private:
  bool enabled_;
  int shown_ = -1;
};

}  // namespace cli
