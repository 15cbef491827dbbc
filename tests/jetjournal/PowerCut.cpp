#include "PowerCut.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <stdexcept>

#include "jet/FileIo.h"
#include "jet/RollbackJournal.h"

namespace jetjournal_test {
namespace {

constexpr uint64_t kSector = 512;

std::string PathOfDescriptor(int fd) {
  char target[4096];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  return n < 0 ? std::string() : std::string(target, static_cast<size_t>(n));
}

// Puts `bytes` at `offset`, the file growing with zeros up to it where it is shorter.
void Put(std::string& file, uint64_t offset, const char* bytes, size_t length) {
  if (file.size() < offset + length) file.resize(offset + length, '\0');
  std::copy(bytes, bytes + length, file.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace

PowerCut::PowerCut(std::filesystem::path database, std::string start)
    : database_(std::filesystem::canonical(database)),
      journal_(jet::JournalPathFor(database_.string())),
      start_(std::move(start)) {
  jet::WatchFileChanges([this](const jet::FileChange& change) {
    using K = jet::FileChange::Kind;
    const std::string path =
        change.fd >= 0 ? PathOfDescriptor(change.fd) : std::filesystem::weakly_canonical(change.path).string();
    int file = path == database_.string() ? 0 : path == journal_.string() ? 1 : -2;
    if (change.kind == K::kSyncFolder) file = path == database_.parent_path().string() ? -1 : -2;
    if (file == -2) return;  // another file (the lock file), another folder
    Change c{Kind::kWrite, file, 0, {}};
    switch (change.kind) {
      case K::kWrite:
        c.offset = static_cast<uint64_t>(change.offset);
        c.bytes.assign(reinterpret_cast<const char*>(change.data), change.length);
        break;
      case K::kSync: c.kind = Kind::kSync; break;
      case K::kTruncate:
        c.kind = Kind::kTruncate;
        c.offset = static_cast<uint64_t>(change.offset);
        break;
      case K::kCreate: c.kind = Kind::kCreate; break;
      case K::kRemove: c.kind = Kind::kRemove; break;
      case K::kSyncFolder: c.kind = Kind::kSyncFolder; break;
    }
    changes_.push_back(std::move(c));
  });
}

PowerCut::~PowerCut() { stop(); }

void PowerCut::stop() {
  if (recording_) jet::WatchFileChanges({});
  recording_ = false;
}

bool PowerCut::isSync(size_t k) const {
  return changes_[k].kind == Kind::kSync || changes_[k].kind == Kind::kSyncFolder;
}

PowerCut::State PowerCut::crash(size_t count, double survival, std::mt19937& random) const {
  // Per file: the durable bytes and the changes since its last sync; per folder entry of
  // the journal: whether it durably exists and whether it would after the pending changes.
  std::string durable[2] = {start_, std::string()};
  std::vector<const Change*> pending[2];
  bool journalListed = false;
  bool journalListedAfter = false;
  for (size_t k = 0; k < count && k < changes_.size(); ++k) {
    const Change& c = changes_[k];
    switch (c.kind) {
      case Kind::kWrite:
      case Kind::kTruncate: pending[c.file].push_back(&c); break;
      case Kind::kSync:
        for (const Change* p : pending[c.file]) {
          if (p->kind == Kind::kWrite) Put(durable[c.file], p->offset, p->bytes.data(), p->bytes.size());
          else durable[c.file].resize(p->offset, '\0');
        }
        pending[c.file].clear();
        break;
      case Kind::kCreate:  // a new file: nothing of an earlier one
        durable[1].clear();
        pending[1].clear();
        journalListedAfter = true;
        break;
      case Kind::kRemove: journalListedAfter = false; break;
      case Kind::kSyncFolder: journalListed = journalListedAfter; break;
    }
  }
  std::bernoulli_distribution survives(survival);
  State state;
  std::string files[2];
  for (int f = 0; f < 2; ++f) {
    files[f] = durable[f];
    std::vector<const Change*> order = pending[f];
    std::shuffle(order.begin(), order.end(), random);
    for (const Change* p : order) {
      if (p->kind == Kind::kTruncate) {
        if (survives(random)) files[f].resize(p->offset, '\0');
        continue;
      }
      // Sector by sector: a write may come down in part.
      for (uint64_t at = p->offset; at < p->offset + p->bytes.size();) {
        const uint64_t next = std::min<uint64_t>((at / kSector + 1) * kSector, p->offset + p->bytes.size());
        if (survives(random)) Put(files[f], at, p->bytes.data() + (at - p->offset), next - at);
        at = next;
      }
    }
  }
  state.database = std::move(files[0]);
  const bool listed = journalListed == journalListedAfter ? journalListed : survives(random);
  if (listed) state.journal = std::move(files[1]);
  return state;
}

void PowerCut::restore(const State& state) const {
  // The same file (its device and inode), as a rollback finds it after a restart.
  const int fd = ::open(database_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0 || !jet::WriteFully(fd, reinterpret_cast<const uint8_t*>(state.database.data()), state.database.size(), 0)) {
    throw std::runtime_error("cannot restore " + database_.string());
  }
  ::close(fd);
  std::filesystem::remove(journal_);
  if (state.journal) std::ofstream(journal_, std::ios::binary) << *state.journal;
}

}  // namespace jetjournal_test
