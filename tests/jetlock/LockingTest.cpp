// Two programs on one Access file, as real processes: writers take turns or the later one
// is refused clearly, readers never read beside a writer, and Access's lock file is there
// while a writer works, gone after it, and taken over when a crash left it behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "WriteOracles.h"
#include "jet/write/AccessLockFile.h"

namespace {

using jetwrite_test::CopyOfCorpusFile;
using jetwrite_test::ReadFileBytes;

constexpr char kBusyWriting[] = "is being changed by another program; try again when it has finished";
constexpr char kBusyReading[] = "is being read by another program; try again when it has finished";

// A program started with pipes on its standard streams.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv) {
    int in[2], out[2];
    // Close-on-exec: a later child must not hold this one's input open.
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(out[1], 2);
      ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
      std::vector<char*> args;
      for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];
  }
  ~Child() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    closeInput();
    if (output_ >= 0) ::close(output_);
  }

  // Reads until `text` was printed (true) or the program ended (false).
  bool waitFor(const std::string& text) {
    char buffer[256];
    while (printed_.find(text) == std::string::npos) {
      const ssize_t n = ::read(output_, buffer, sizeof buffer);
      if (n <= 0) return false;
      printed_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  void closeInput() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
  }
  void kill() {
    ::kill(pid_, SIGKILL);
    finish();
  }
  // Waits for the end; the exit status (128 + signal when killed).
  int finish() {
    closeInput();
    waitFor(std::string(1, '\0'));  // reads to the end
    int status = 0;
    ::waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& printed() const { return printed_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  bool reaped_ = false;
  std::string printed_;
};

std::vector<std::string> Jettool(std::vector<std::string> args) {
  args.insert(args.begin(), JETTOOL);
  return args;
}

// `rows` statements adding rows to a new table `name`.
std::vector<std::string> CreateAndFill(const std::string& file, const std::string& name, int rows) {
  std::vector<std::string> args = Jettool({"sql", file, "CREATE TABLE [" + name + "] (N INT, S TEXT(40))"});
  for (int i = 0; i < rows; ++i) {
    args.push_back("INSERT INTO [" + name + "] VALUES (" + std::to_string(i) + ", 'row " + std::to_string(i) + "')");
  }
  return args;
}

std::string Dump(const std::string& file) {
  Child dump(Jettool({"dump", file, "--wait", "60"}));
  const int status = dump.finish();
  EXPECT_EQ(status, 0) << dump.printed();
  return dump.printed();
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

class Locking : public ::testing::TestWithParam<const char*> {};

TEST_P(Locking, TwoWritersTakeTurnsAndBothOutcomesArrive) {
  const std::string file = CopyOfCorpusFile(GetParam()).string();
  Child first(CreateAndFill(file, "First", 100));
  Child second(CreateAndFill(file, "Second", 100));
  EXPECT_EQ(first.finish(), 0) << first.printed();
  EXPECT_EQ(second.finish(), 0) << second.printed();
  const std::string dump = Dump(file);
  EXPECT_NE(dump.find("\"name\": \"First\""), std::string::npos);
  EXPECT_NE(dump.find("\"name\": \"Second\""), std::string::npos);
  EXPECT_NE(dump.find("\"row 99\"]"), std::string::npos);
  EXPECT_EQ(dump.find("\"error\""), std::string::npos);
  jetwrite_test::ExpectOraclesAgree(file);
  EXPECT_FALSE(Exists(jet::LockFilePath(file)));
}

TEST_P(Locking, AWriterKeepsOtherWritersAndReadersOutWithAClearMessage) {
  const std::string file = CopyOfCorpusFile(GetParam()).string();
  const std::string before = ReadFileBytes(file);
  Child holder({LOCK_HOLDER, "write", file});
  ASSERT_TRUE(holder.waitFor("locked")) << holder.printed();

  // Access's lock file says who has the database: computer name, then "Admin".
  const std::string lockFile = ReadFileBytes(jet::LockFilePath(file));
  ASSERT_EQ(lockFile.size(), jet::AccessLockFile::kRecordBytes);
  char host[256] = {};
  ::gethostname(host, sizeof host - 1);
  EXPECT_EQ(lockFile.substr(0, std::string(host).size()), std::string(host).substr(0, 31));
  EXPECT_EQ(lockFile.substr(32), std::string("Admin") + std::string(27, '\0'));

  Child writer(Jettool({"sql", file, "--wait", "1", "CREATE TABLE Other (N INT)"}));
  EXPECT_EQ(writer.finish(), 1);
  EXPECT_NE(writer.printed().find(kBusyWriting), std::string::npos) << writer.printed();
  EXPECT_NE(writer.printed().find(file), std::string::npos) << writer.printed();

  Child reader(Jettool({"dump", file, "--wait", "1"}));
  EXPECT_NE(reader.finish(), 0);
  EXPECT_NE(reader.printed().find(kBusyWriting), std::string::npos) << reader.printed();

  holder.closeInput();  // ends without committing: nothing of it reaches the file
  EXPECT_EQ(holder.finish(), 0) << holder.printed();
  EXPECT_EQ(ReadFileBytes(file), before);
  EXPECT_FALSE(Exists(jet::LockFilePath(file)));
  Child later(Jettool({"sql", file, "--wait", "1", "CREATE TABLE Other (N INT)"}));
  EXPECT_EQ(later.finish(), 0) << later.printed();
}

TEST_P(Locking, AReaderKeepsWritersOutUntilItHasFinished) {
  const std::string file = CopyOfCorpusFile(GetParam()).string();
  Child holder({LOCK_HOLDER, "read", file});
  ASSERT_TRUE(holder.waitFor("locked")) << holder.printed();
  Child writer(Jettool({"sql", file, "--wait", "1", "CREATE TABLE Other (N INT)"}));
  EXPECT_EQ(writer.finish(), 1);
  EXPECT_NE(writer.printed().find(kBusyReading), std::string::npos) << writer.printed();
  // Readers share: a second one reads at once.
  EXPECT_EQ(Dump(file).find("\"error\""), std::string::npos);

  // A writer that waits gets its turn once the reader is done.
  Child patient(Jettool({"sql", file, "--wait", "60", "CREATE TABLE Other (N INT)"}));
  ::usleep(200 * 1000);
  holder.closeInput();
  EXPECT_EQ(holder.finish(), 0);
  EXPECT_EQ(patient.finish(), 0) << patient.printed();
}

TEST_P(Locking, AReaderBesideAWritingProgramSeesEveryTableWhole) {
  const std::string file = CopyOfCorpusFile(GetParam()).string();
  Child writer(CreateAndFill(file, "Growing", 200));
  // Once the writer is at work (its lock file is there), dumps wait for it to finish.
  for (int waited = 0; !Exists(jet::LockFilePath(file)) && waited < 10000; waited += 5) ::usleep(5000);
  for (int k = 0; k < 3; ++k) {
    const std::string dump = Dump(file);
    EXPECT_EQ(dump.find("\"error\""), std::string::npos) << dump;
    const bool present = dump.find("\"name\": \"Growing\"") != std::string::npos;
    if (present) {
      EXPECT_NE(dump.find("\"row 199\"]"), std::string::npos) << "a table read before its last row";
    }
  }
  EXPECT_EQ(writer.finish(), 0) << writer.printed();
}

TEST_P(Locking, ALockFileLeftByACrashIsTakenOverButALiveOneIsWaitedFor) {
  const std::string file = CopyOfCorpusFile(GetParam()).string();
  const std::string lockPath = jet::LockFilePath(file);
  {
    Child crashed({LOCK_HOLDER, "write", file});
    ASSERT_TRUE(crashed.waitFor("locked")) << crashed.printed();
    crashed.kill();
  }
  ASSERT_TRUE(Exists(lockPath));  // left behind, held by nobody
  Child writer(Jettool({"sql", file, "--wait", "1", "CREATE TABLE AfterCrash (N INT)"}));
  EXPECT_EQ(writer.finish(), 0) << writer.printed();
  EXPECT_FALSE(Exists(lockPath));

  // Access with the file open on a share: the lock file exists and is locked.
  Child access({LOCK_HOLDER, "lockfile", file});
  ASSERT_TRUE(access.waitFor("locked")) << access.printed();
  const std::string before = ReadFileBytes(file);
  Child refused(Jettool({"sql", file, "--wait", "1", "DROP TABLE AfterCrash"}));
  EXPECT_EQ(refused.finish(), 1);
  EXPECT_NE(refused.printed().find(kBusyWriting), std::string::npos) << refused.printed();
  EXPECT_EQ(ReadFileBytes(file), before);
  EXPECT_TRUE(Exists(lockPath));  // not ours to remove
}

INSTANTIATE_TEST_SUITE_P(BothFormats, Locking,
                         ::testing::Values("mdb-reader/V2003/test.mdb", "mdb-reader/V2010/test.accdb"),
                         [](const auto& info) { return std::string(info.index == 0 ? "Mdb" : "Accdb"); });

}  // namespace
