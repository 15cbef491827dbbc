// The rows of a source record set read, and their values made into the target's (the
// direction's value rule; see RuleThread), on a second thread while earlier rows are
// inserted into the target: reading the source and writing the target then share the
// machine's cores instead of taking turns.
//
// Each row carries what happened at each step that built it (asking for the end, reading
// every field, moving on), so the copy loop replays those steps in their order and the
// user sees the same boxes, with the same lines, as when each row is read just before its
// statement. Reading stops after the last row or the first failure to ask for the end or
// to move on, as the loop does. Memory stays bounded: a few chunks of rows, and a few MB of
// values, are in flight (rows of many MB are read one at a time).
#pragma once

#include "ado/Recordset.h"
#include "ado/Variant.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace transfer {

class RowsAhead {
 public:
  // The value the target is given for one field's value (`field` from 0).
  using ValueRule = std::function<ado::Variant(ado::Variant&& value, int field)>;

  struct Row {
    bool more = false;             // the source was not at its end here
    std::exception_ptr endFailure;  // asking whether the source was at its end failed
    std::vector<ado::Variant> values;  // of the fields read, in order (a failed field has none)
    std::size_t bytes = 0;             // of the texts and bytes among them
    std::vector<std::pair<int, std::exception_ptr>> fieldFailures;  // field number, failure
    std::exception_ptr moveFailure;  // moving on to the next row failed

    // Rethrows the failure of field `field`, if it had one (for replaying its step).
    void rethrowFieldFailure(int field) const;
  };

  enum class Reading { kAhead, kOnDemand };
  // Which thread applies the value rule: the reading one (the default), or the one that takes
  // the rows, when writing the target costs less than reading the source and the two threads
  // are evened out that way. The rows, their values and their failures are the same.
  enum class RuleThread { kReading, kTaking };

  // Starts reading `source` (open, at its first row), each value through `rule`.
  // With one core, or when no thread can be started, rows are read one by one as they are
  // asked for (kOnDemand asks for that).
  RowsAhead(ado::Recordset& source, int fieldCount, ValueRule rule, Reading reading = Reading::kAhead,
            RuleThread ruleThread = RuleThread::kReading);
  // Stops reading (rows read ahead are dropped) and waits for the reading thread.
  ~RowsAhead();
  RowsAhead(const RowsAhead&) = delete;
  RowsAhead& operator=(const RowsAhead&) = delete;

  // The next row, waiting for it if need be. Valid until the next call. After a row that
  // is not `more`, or has an end or move failure, nothing more may be asked for.
  const Row& next();

 private:
  struct Chunk {
    std::vector<Row> rows;  // kept from use to use, with their buffers
    size_t used = 0;
    size_t bytes = 0;  // of the rows' values
  };

  void readRow(Row& row);
  // Applies the rule to the values of a row read without it (RuleThread::kTaking).
  const Row& made(Row& row);
  void readAhead();
  std::unique_ptr<Chunk> takeEmptyChunk();
  void publish(std::unique_ptr<Chunk> chunk, bool last);

  ado::Recordset& source_;
  const int fieldCount_;
  const ValueRule rule_;
  const bool ruleOnReader_;

  // Handed from the reader to the copy loop: filled chunks in order, and empty ones back.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::unique_ptr<Chunk>> filled_;
  std::vector<std::unique_ptr<Chunk>> empty_;
  size_t chunksInFlight_ = 0;  // made in all (each is filled, being filled, read, or empty)
  size_t bytesAhead_ = 0;      // of the filled chunks not yet given back
  std::atomic<bool> stop_ = false;
  bool readerDone_ = false;
  std::exception_ptr readerFailure_;  // the reader itself failed (out of memory)

  // The copy loop's side.
  std::unique_ptr<Chunk> current_;
  size_t position_ = 0;
  Row onDemandRow_;  // the row read on demand when there is no reading thread
  Row endRow_;       // given when the reader has nothing more
  std::thread reader_;
};

}  // namespace transfer
