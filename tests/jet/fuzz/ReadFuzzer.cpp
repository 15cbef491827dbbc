// libFuzzer target over the whole reading path: the input is taken as a database
// file and dumped (header, codec, catalogue, definitions, rows, long values,
// attachments). Any crash, hang or runaway allocation is a bug; errors are fine.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "GoldenDump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An in-memory file: the engine reads through a file descriptor like any other file.
  const int fd = ::memfd_create("fuzz.mdb", 0);
  if (fd < 0) return 0;
  size_t written = 0;
  while (written < size) {
    const ssize_t n = ::write(fd, data + written, size - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  std::string out;
  jettool::DumpDatabase("/proc/self/fd/" + std::to_string(fd), std::nullopt, out);
  ::close(fd);
  return 0;
}
