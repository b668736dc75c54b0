#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "TempDir.h"
#include "platform/files/KeyValueStore.h"

namespace kelbrin::platform {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

mode_t ModeOf(const fs::path& file) {
  struct stat info {};
  EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
  return info.st_mode & 07777;
}

std::vector<fs::path> TempFilesBeside(const fs::path& file) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(file.parent_path())) {
    if (entry.path().filename().string().starts_with(file.filename().string() + ".tmp-")) {
      found.push_back(entry.path());
    }
  }
  return found;
}

class KeyValueStoreTest : public ::testing::Test {
 protected:
  TempDir dir_;
  fs::path file_ = dir_ / "conf" / "settings.ini";
  KeyValueStore store_{file_};
};

std::string AllBytes() {
  std::string bytes;
  for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
  return bytes;
}

TEST_F(KeyValueStoreTest, AwkwardValuesRoundTripExactly) {
  const std::vector<std::pair<std::string, std::string>> values = {
      {"Empty", ""},
      {"Blanks", "  two blanks at both ends  "},
      {"Tabs", "\tx\t"},
      {"Syntax", "a=b ;c #d :e [f] \"g\" 'h'"},
      {"CommentStart", "; not a comment"},
      {"HashStart", "#"},
      {"Lines", "line1\nline2\r\n  indented\n"},
      {"Escapes", "\\x41 \\\\ \\"},
      {"Continuation", "+\"looks like a piece\""},
      {"NonAscii", "密码！：？ äöü"},
      {"Bytes", AllBytes()},
      {"Long", std::string(700, 'a') + ";" + std::string(300, '\n') + "end "},
  };
  for (const auto& [name, value] : values) store_.Write(name, value);

  const KeyValues read = store_.ReadAll();
  ASSERT_EQ(read.size(), values.size());
  for (const auto& [name, value] : values) {
    EXPECT_EQ(store_.Read(name), value) << name;
  }
  // inih cannot read lines over 200 bytes; the writer must keep every line shorter.
  std::istringstream lines(ReadFile(file_));
  for (std::string line; std::getline(lines, line);) EXPECT_LT(line.size(), 200u) << line;
}

// Every name the store accepts keeps its long values whole, up to the longest name.
TEST_F(KeyValueStoreTest, LongValuesUnderLongNamesRoundTrip) {
  KeyValues values;
  for (const std::size_t length : {1, 48, 49, 50, 51, 63, 64}) {
    std::string name(length, 'N');
    name += std::to_string(length);
    name = name.substr(name.size() - length);
    values[name] = std::string(200, static_cast<char>('a' + length % 26)) + std::to_string(length);
  }
  values[std::string(64, 'x')] = std::string(3000, ';');  // escapes: the most pieces
  for (const auto& [name, value] : values) store_.Write(name, value);
  EXPECT_EQ(store_.ReadAll(), values);
  std::istringstream lines(ReadFile(file_));
  for (std::string line; std::getline(lines, line);) EXPECT_LT(line.size(), 200u) << line;
}

TEST_F(KeyValueStoreTest, FileIsPrivateAndItsNewFolderToo) {
  fs::create_directories(file_.parent_path().parent_path());
  store_.Write("UserPwd", "secret");
  EXPECT_EQ(ModeOf(file_), 0600);
  EXPECT_EQ(ModeOf(file_.parent_path()), 0700);

  // A store left readable by others becomes private with the next write.
  ::chmod(file_.c_str(), 0644);
  store_.Write("UserPwd", "secret2");
  EXPECT_EQ(ModeOf(file_), 0600);
}

TEST_F(KeyValueStoreTest, WriteKeepsTheOtherValuesAndReplacesItsOwn) {
  store_.Write("UserName", "ann");
  store_.Write("UserPwd", "pw");
  store_.Write("UserName", "bob");
  EXPECT_EQ(store_.ReadAll(), (KeyValues{{"UserName", "bob"}, {"UserPwd", "pw"}}));
  EXPECT_EQ(store_.Read("Missing"), std::nullopt);
}

TEST_F(KeyValueStoreTest, MissingStoreReadsEmpty) {
  EXPECT_TRUE(store_.ReadAll().empty());
  EXPECT_FALSE(fs::exists(file_.parent_path()));
}

TEST_F(KeyValueStoreTest, NamesTheFileCannotHoldAreRefused) {
  for (const std::string& name :
       std::vector<std::string>{"", "User Name", "a=b", "[x]", std::string(65, 'n')}) {
    EXPECT_THROW(store_.Write(name, "v"), std::invalid_argument) << name;
  }
  EXPECT_FALSE(fs::exists(file_));
}

TEST_F(KeyValueStoreTest, GarbageReadsAsEmpty) {
  std::string binary;
  for (int i = 0; i < 4000; ++i) binary += static_cast<char>((i * 7919 + 13) % 256);
  const std::vector<std::pair<const char*, std::string>> files = {
      {"binary", binary},
      {"unquoted", "[Kelbrinclient]\nUserName = bob\n"},
      {"no section", "UserName = \"bob\"\n"},
      {"other section", "[Other]\nUserName = \"bob\"\n"},
      {"bad escape", "[Kelbrinclient]\nUserName = \"b\\qb\"\n"},
      {"short hex escape", "[Kelbrinclient]\nUserName = \"b\\x4\"\n"},
      {"open quote", "[Kelbrinclient]\nUserName = \"bob\n"},
      {"orphan piece", "[Kelbrinclient]\nUserName = +\"bob\"\n"},
      {"NUL byte", std::string("[Kelbrinclient]\nUserName = \"b\0b\"\n", 32)},
      {"huge", "[Kelbrinclient]\nUserName = \"bob\"\n" + std::string(2 << 20, '#')},
  };
  fs::create_directories(file_.parent_path());
  for (const auto& [what, text] : files) {
    WriteFile(file_, text);
    EXPECT_TRUE(store_.ReadAll().empty()) << what;
  }
  // A folder where the file should be reads as empty as well.
  fs::remove(file_);
  fs::create_directory(file_);
  EXPECT_TRUE(store_.ReadAll().empty());
}

TEST_F(KeyValueStoreTest, DamageCostsOnlyTheDamagedValues) {
  fs::create_directories(file_.parent_path());
  WriteFile(file_,
            "[Kelbrinclient]\nUserName = \"ann\"\ngarbage line\nUserPwd = broken\n"
            "LineName = \"dsl\"\n  +\"-1\"\n");
  EXPECT_EQ(store_.ReadAll(), (KeyValues{{"UserName", "ann"}, {"LineName", "dsl-1"}}));
  store_.Write("UserPwd", "pw");
  EXPECT_EQ(store_.ReadAll(),
            (KeyValues{{"UserName", "ann"}, {"LineName", "dsl-1"}, {"UserPwd", "pw"}}));
}

// The file-size limit turns the write of a big value into SIGXFSZ (a crash in the middle of the
// save) or, with the signal ignored, into a failing write().
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

 private:
  rlimit old_{};
};

// Runs a write of a big value in a child process whose file-size limit makes the kernel kill it
// with SIGXFSZ in the middle of writing the temp file: a crash during a save. Returns the
// signal that ended the child (0 when it was not killed).
int SignalOfWriteUnderFileSizeLimit(KeyValueStore& store, rlim_t limitBytes) {
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    FileSizeLimit limit(limitBytes);
    try {
      store.Write("LineName", std::string(100000, 'x'));
    } catch (...) {
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

TEST_F(KeyValueStoreTest, CrashDuringSaveLeavesTheOldStoreWhole) {
  store_.Write("UserName", "ann");
  store_.Write("UserPwd", "pw");
  const std::string before = ReadFile(file_);

  ASSERT_EQ(SignalOfWriteUnderFileSizeLimit(store_, before.size() + 100), SIGXFSZ);

  EXPECT_EQ(ReadFile(file_), before);
  EXPECT_EQ(store_.ReadAll(), (KeyValues{{"UserName", "ann"}, {"UserPwd", "pw"}}));
  EXPECT_EQ(TempFilesBeside(file_).size(), 1u) << "the dead writer's temp file";

  store_.Write("LineName", "dsl");
  EXPECT_EQ(store_.Read("LineName"), "dsl");
  EXPECT_EQ(store_.Read("UserPwd"), "pw");
  EXPECT_TRUE(TempFilesBeside(file_).empty()) << "leftovers are cleared by the next write";
}

TEST_F(KeyValueStoreTest, FailedSaveThrowsNamingTheFileAndKeepsTheOldStore) {
  store_.Write("UserName", "ann");
  const std::string before = ReadFile(file_);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  try {
    FileSizeLimit limit(before.size() + 100);
    store_.Write("LineName", std::string(100000, 'x'));
    ADD_FAILURE() << "the write did not fail";
  } catch (const std::system_error& error) {
    EXPECT_EQ(error.code(), std::errc::file_too_large);
    EXPECT_THAT(error.what(), ::testing::HasSubstr(file_.parent_path().string()));
  }
  ::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(ReadFile(file_), before);
  EXPECT_TRUE(TempFilesBeside(file_).empty());
}

// Starts a child process that waits until the pipe `start` is closed by the parent, then
// writes `count` values named `prefix`0.. into its own store over `file`. The child's exit code
// is 0 when every write went through, 1 when one threw.
pid_t StartWriterProcess(const fs::path& file, const std::string& prefix, int count,
                         const int (&start)[2]) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  ::close(start[1]);
  char go = 0;
  while (::read(start[0], &go, 1) < 0 && errno == EINTR) {
  }
  KeyValueStore store(file);
  try {
    for (int i = 0; i < count; ++i) store.Write(prefix + std::to_string(i), prefix);
  } catch (...) {
    ::_exit(1);
  }
  ::_exit(0);
}

// Exit code of the child, or -1 when it did not exit by itself.
int ExitCodeOf(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Two processes change the same store at the same time: each change is read-modify-write, so
// without the lock across processes one would write back a file without the other's value.
TEST_F(KeyValueStoreTest, ConcurrentWritesLoseNoValue) {
  constexpr int kPerProcess = 50;
  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  const pid_t first = StartWriterProcess(file_, "A", kPerProcess, start);
  const pid_t second = StartWriterProcess(file_, "B", kPerProcess, start);
  // Both start together: closing the pipe ends both reads at once.
  ::close(start[0]);
  ::close(start[1]);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  EXPECT_EQ(ExitCodeOf(first), 0) << "a write of the first process failed";
  EXPECT_EQ(ExitCodeOf(second), 0) << "a write of the second process failed";

  const KeyValues values = store_.ReadAll();
  std::vector<std::string> lost;
  for (const std::string prefix : {"A", "B"}) {
    for (int i = 0; i < kPerProcess; ++i) {
      if (!values.contains(prefix + std::to_string(i))) lost.push_back(prefix + std::to_string(i));
    }
  }
  EXPECT_THAT(lost, ::testing::IsEmpty());
  EXPECT_EQ(values.size(), 2u * kPerProcess);
}

}  // namespace
}  // namespace kelbrin::platform
