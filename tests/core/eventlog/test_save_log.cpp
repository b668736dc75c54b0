#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <string>

#include "LocalTime.h"
#include "TempDir.h"
#include "eventlog/LogFile.h"
#include "platform/files/CodePage.h"

namespace kelbrin::eventlog {
namespace {

using test::LocalTime;

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Saves with GBK as the system code page, as on the machines the log format comes from.
class SaveLogTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetSystemCodePage(platform::CodePage::Named("GBK")); }
  void TearDown() override { platform::SetSystemCodePage(previous_); }

  test::TempDir dir;
  LogList list;

 private:
  platform::CodePage previous_ = platform::SystemCodePage();
};

TEST_F(SaveLogTest, WorkedExampleByteForByte) {
  list.Insert({kLogTip, "Clear log！", LocalTime(2006, 1, 31, 14, 5, 9)});
  SaveLogFile(list, dir / "log.txt");
  EXPECT_EQ(ReadBytes(dir / "log.txt"), "Tip      06-01-31 14:05:09      Clear log\xA3\xA1\r\n");
}

TEST_F(SaveLogTest, NewestFirstTrimmedInTheCodePageOverAnOldFile) {
  std::ofstream(dir / "log.txt") << std::string(500, 'x');
  list.Insert({7, "  服务器没有公网IP ", LocalTime(2006, 1, 31, 14, 5, 9)});
  list.Insert({kLogWarning, "Your domain name has expired,it will reopen if paid",
               LocalTime(2006, 2, 1, 8, 0, 0)});
  SaveLogFile(list, dir / "log.txt");
  EXPECT_EQ(ReadBytes(dir / "log.txt"),
            "Warning      06-02-01 08:00:00      Your domain name has expired,it will reopen if "
            "paid\r\n"
            "Others      06-01-31 14:05:09      \xB7\xFE\xCE\xF1\xC6\xF7\xC3\xBB\xD3\xD0\xB9\xAB"
            "\xCD\xF8IP\r\n");
}

TEST_F(SaveLogTest, FileThatCannotBeCreatedIsReported) {
  list.Insert({kLogTip, "a", {}});
  for (const std::filesystem::path& path : {dir / "missing" / "log.txt", dir.path()}) {
    try {
      SaveLogFile(list, path);
      ADD_FAILURE() << "no error for " << path;
    } catch (const LogSaveError& e) {
      EXPECT_EQ(e.LinesWritten(), 0u);
      EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST_F(SaveLogTest, FullDiskIsReported) {
  list.Insert({kLogTip, "a", {}});
  EXPECT_THROW(SaveLogFile(list, "/dev/full"), LogSaveError);
}

// Limits the size of files this process writes, and lets a write beyond it fail with EFBIG
// instead of ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int);
};

TEST_F(SaveLogTest, WriteFailureKeepsWhatWasWritten) {
  for (int i = 4; i >= 0; --i) {
    list.Insert({kLogTip, "entry " + std::to_string(i), LocalTime(2006, 1, 31, 14, 5, 9)});
  }
  const std::string line0 = "Tip      06-01-31 14:05:09      entry 0\r\n";
  const std::string line1 = "Tip      06-01-31 14:05:09      entry 1\r\n";
  const std::string cut = line0 + line1 + "Tip      06";
  try {
    const FileSizeLimit limit(cut.size());
    SaveLogFile(list, dir / "log.txt");
    ADD_FAILURE() << "no error beyond the size limit";
  } catch (const LogSaveError& e) {
    EXPECT_EQ(e.LinesWritten(), 2u);
  }
  EXPECT_EQ(ReadBytes(dir / "log.txt"), cut);
}

}  // namespace
}  // namespace kelbrin::eventlog
