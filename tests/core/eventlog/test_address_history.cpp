#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "TempDir.h"
#include "eventlog/AddressHistory.h"

namespace kelbrin::eventlog {
namespace {

using std::chrono::seconds;
using std::chrono::system_clock;

// 2026-12-10T13:42:40Z
const system_clock::time_point kStart = system_clock::from_time_t(1796910160);

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(AddressHistoryTest, AppendsTimeAndAddressLinesAndReadsThemBack) {
  const test::TempDir dir;
  AddressHistory history(dir / "state" / "address-history");
  EXPECT_TRUE(history.Read().empty());
  ASSERT_TRUE(history.Append(kStart + std::chrono::milliseconds(900), "203.0.113.7"));
  ASSERT_TRUE(history.Append(kStart + seconds(3600), "2001:db8::7"));

  EXPECT_EQ(ReadBytes(history.File()),
            "2026-12-10T13:42:40Z 203.0.113.7\n2026-12-10T14:42:40Z 2001:db8::7\n");
  const std::vector<AddressRecord> expected{{kStart, "203.0.113.7"},
                                            {kStart + seconds(3600), "2001:db8::7"}};
  EXPECT_EQ(history.Read(), expected);

  struct stat info {};
  ASSERT_EQ(::stat(history.File().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((dir / "state").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(AddressHistoryTest, KeepsOnlyTheNewestLinesWithoutLeavingTempFiles) {
  const test::TempDir dir;
  AddressHistory history(dir / "address-history", 3);
  for (int i = 1; i <= 5; ++i) {
    ASSERT_TRUE(history.Append(kStart + seconds(i), "192.0.2." + std::to_string(i)));
  }
  const std::vector<AddressRecord> expected{{kStart + seconds(3), "192.0.2.3"},
                                            {kStart + seconds(4), "192.0.2.4"},
                                            {kStart + seconds(5), "192.0.2.5"}};
  EXPECT_EQ(history.Read(), expected);
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 1);
}

TEST(AddressHistoryTest, RefusesEverythingButAnAddressLiteral) {
  const test::TempDir dir;
  AddressHistory history(dir / "address-history");
  for (const std::string text : {"", "demo-pass", "203.0.113.7 secret", "203.0.113.7\nx",
                                 "host.example", "203.0.113.256", " 203.0.113.7"}) {
    EXPECT_FALSE(history.Append(kStart, text)) << text;
  }
  EXPECT_FALSE(std::filesystem::exists(history.File()));
}

TEST(AddressHistoryTest, ANewLineNeverJoinsALineCutShortAndBadLinesAreSkipped) {
  const test::TempDir dir;
  std::ofstream(dir / "address-history", std::ios::binary) << "2026-12-10T13:42:40Z 203.0.113.7\n"
                                                           << "garbage line\n"
                                                           << "2026-02-30T10:00:00Z 203.0.113.8\n"
                                                           << "2026-12-10T13:4";
  AddressHistory history(dir / "address-history");
  ASSERT_TRUE(history.Append(kStart + seconds(60), "203.0.113.9"));
  const std::vector<AddressRecord> expected{{kStart, "203.0.113.7"},
                                            {kStart + seconds(60), "203.0.113.9"}};
  EXPECT_EQ(history.Read(), expected);
}

TEST(AddressHistoryTest, ParseLineTakesOnlyWhatFormatLineWrites) {
  const std::map<std::string, bool> lines{
      {"2026-12-10T13:42:40Z 203.0.113.7", true},
      {"2026-12-10T13:42:40Z  203.0.113.7", false},
      {"2026-12-10T13:42:40 203.0.113.7", false},
      {"2026-12-10T25:42:40Z 203.0.113.7", false},
      {"2026-12-10T13:42:40Z 203.0.113.7\r", false},
      {"2026-12-10T13:42:40Z", false},
      {"2026-12-10T13:42:40Z ::1", true},
  };
  for (const auto& [line, valid] : lines) {
    EXPECT_EQ(AddressHistory::ParseLine(line).has_value(), valid) << line;
  }
}

TEST(AddressHistoryTest, FolderComesFromTheServiceStateTheXdgStateHomeOrHome) {
  struct Case {
    std::map<std::string, std::string> variables;
    std::filesystem::path folder;
  };
  const Case cases[] = {
      {{{"STATE_DIRECTORY", "/var/lib/kelbrin-client:/var/lib/other"},
        {"XDG_STATE_HOME", "/home/u/.state"}},
       "/var/lib/kelbrin-client"},
      {{{"STATE_DIRECTORY", "relative"}, {"XDG_STATE_HOME", "/home/u/.state"}},
       "/home/u/.state/kelbrin-client"},
      {{{"XDG_STATE_HOME", "state"}, {"HOME", "/home/u"}}, "/home/u/.local/state/kelbrin-client"},
      {{{"HOME", "/home/u"}}, "/home/u/.local/state/kelbrin-client"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    const auto environment = [&c](const std::string& name) -> std::optional<std::string> {
      const auto found = c.variables.find(name);
      if (found == c.variables.end()) return std::nullopt;
      return found->second;
    };
    EXPECT_EQ(AddressHistory::DefaultFolder(environment), c.folder);
  }
}

}  // namespace
}  // namespace kelbrin::eventlog
