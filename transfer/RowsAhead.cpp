#include "transfer/RowsAhead.h"

#include <sched.h>

#include <algorithm>

#include <system_error>

namespace transfer {

namespace {

// A chunk is handed over when it has this many rows or bytes of values: waking the
// other thread costs tens of microseconds on a virtual machine, so hand-overs must be
// rare (row by row they cost more than the copy gains). With four chunks in circulation
// the reader stays at most a few MB ahead (a single larger row still goes through alone).
constexpr size_t kRowsPerChunk = 256;
constexpr size_t kBytesPerChunk = 1 << 20;
constexpr size_t kChunksInCirculation = 4;
// No new chunk is begun while this much is read and not yet given back.
constexpr size_t kBytesAhead = 4 << 20;

// The cores this process may run on (a container or `taskset` may allow fewer than the
// machine has): on one, a second thread would only take turns with the first.
unsigned UsableCores() {
#if defined(__linux__)
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0) return static_cast<unsigned>(CPU_COUNT(&allowed));
#endif
  return std::thread::hardware_concurrency();
}

}  // namespace

void RowsAhead::Row::rethrowFieldFailure(int field) const {
  for (const auto& [number, failure] : fieldFailures) {
    if (number == field) std::rethrow_exception(failure);
  }
}

RowsAhead::RowsAhead(ado::Recordset& source, int fieldCount, ValueRule rule, Reading reading, RuleThread ruleThread)
    : source_(source), fieldCount_(fieldCount), rule_(std::move(rule)), ruleOnReader_(ruleThread == RuleThread::kReading) {
  if (reading == Reading::kOnDemand || UsableCores() < 2) return;
  try {
    reader_ = std::thread(&RowsAhead::readAhead, this);
  } catch (const std::system_error&) {
    // No thread to be had: rows are read on demand.
  }
}

RowsAhead::~RowsAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (reader_.joinable()) reader_.join();
}

// The steps of one row, as the copy loop would run them, each failure kept for replaying.
void RowsAhead::readRow(Row& row) {
  row.more = false;
  row.endFailure = nullptr;
  row.fieldFailures.clear();
  row.moveFailure = nullptr;
  row.values.clear();
  row.bytes = 0;
  try {
    row.more = !source_.Eof();
  } catch (...) {
    row.endFailure = std::current_exception();
    return;
  }
  if (!row.more) return;
  const ado::FieldCollection fields = source_.Fields();
  for (int f = 0; f < fieldCount_; ++f) {
    try {
      row.values.push_back(ruleOnReader_ ? rule_(fields[f].Value(), f) : fields[f].Value());
      const ado::Variant& value = row.values.back();
      if (value.kind() == ado::Variant::Kind::Text) row.bytes += value.asText().size();
      else if (value.kind() == ado::Variant::Kind::Bytes) row.bytes += value.asBytes().size();
    } catch (...) {
      row.fieldFailures.emplace_back(f, std::current_exception());
    }
  }
  try {
    source_.MoveNext();
  } catch (...) {
    row.moveFailure = std::current_exception();
  }
}

const RowsAhead::Row& RowsAhead::made(Row& row) {
  if (ruleOnReader_ || !row.more) return row;
  // The values are those of the fields without a failure, in order; a field whose rule
  // fails loses its value and gains its failure, as when the reader applies the rule.
  size_t at = 0;
  for (int f = 0; f < fieldCount_; ++f) {
    const auto failed = std::find_if(row.fieldFailures.begin(), row.fieldFailures.end(),
                                     [f](const auto& failure) { return failure.first >= f; });
    if (failed != row.fieldFailures.end() && failed->first == f) continue;
    try {
      row.values[at] = rule_(std::move(row.values[at]), f);
      ++at;
    } catch (...) {
      row.values.erase(row.values.begin() + static_cast<std::ptrdiff_t>(at));
      row.fieldFailures.emplace(failed, f, std::current_exception());
    }
  }
  return row;
}

void RowsAhead::readAhead() {
  try {
    for (;;) {
      std::unique_ptr<Chunk> chunk = takeEmptyChunk();
      if (!chunk) return;  // stopped
      bool last = false;
      do {
        if (chunk->used == chunk->rows.size()) chunk->rows.emplace_back();
        Row& row = chunk->rows[chunk->used++];
        readRow(row);
        chunk->bytes += row.bytes;
        last = !row.more || row.endFailure || row.moveFailure;
      } while (!last && chunk->used < kRowsPerChunk && chunk->bytes < kBytesPerChunk && !stop_);
      publish(std::move(chunk), last);
      if (last) return;
    }
  } catch (...) {
    std::lock_guard lock(mutex_);
    readerFailure_ = std::current_exception();
    readerDone_ = true;
    changed_.notify_all();
  }
}

std::unique_ptr<RowsAhead::Chunk> RowsAhead::takeEmptyChunk() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] {
    return stop_ || (bytesAhead_ < kBytesAhead && (!empty_.empty() || chunksInFlight_ < kChunksInCirculation));
  });
  if (stop_) return nullptr;
  if (empty_.empty()) {
    ++chunksInFlight_;
    return std::make_unique<Chunk>();
  }
  std::unique_ptr<Chunk> chunk = std::move(empty_.back());
  empty_.pop_back();
  chunk->used = 0;
  chunk->bytes = 0;
  return chunk;
}

void RowsAhead::publish(std::unique_ptr<Chunk> chunk, bool last) {
  {
    std::lock_guard lock(mutex_);
    bytesAhead_ += chunk->bytes;
    filled_.push_back(std::move(chunk));
    if (last) readerDone_ = true;
  }
  changed_.notify_all();
}

const RowsAhead::Row& RowsAhead::next() {
  if (!reader_.joinable()) {
    readRow(onDemandRow_);
    return made(onDemandRow_);
  }
  if (current_ && position_ < current_->used) return made(current_->rows[position_++]);
  std::unique_lock lock(mutex_);
  if (current_) {
    // Exceptionally long values are not kept for the rest of the table. (Everything else of
    // a row is freed by the reader, which made it, when it reuses the row.)
    for (Row& row : current_->rows) {
      if (row.bytes > kBytesPerChunk) {
        std::vector<ado::Variant>().swap(row.values);
        row.bytes = 0;
      }
    }
    bytesAhead_ -= current_->bytes;
    empty_.push_back(std::move(current_));
    changed_.notify_all();
  }
  changed_.wait(lock, [&] { return !filled_.empty() || readerDone_; });
  if (filled_.empty()) {
    endRow_ = Row();
    endRow_.endFailure = readerFailure_;
    return endRow_;
  }
  current_ = std::move(filled_.front());
  filled_.pop_front();
  position_ = 0;
  return made(current_->rows[position_++]);
}

}  // namespace transfer
