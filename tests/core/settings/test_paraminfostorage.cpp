#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "TempDir.h"
#include "platform/files/Autostart.h"
#include "platform/files/KeyValueStore.h"
#include "settings/ParamInfoStorage.h"
#include "settings/PubUtil.h"

namespace kelbrin::settings {
namespace {

using test::TempDir;
namespace fs = std::filesystem;

// The real store under a temporary root; the service query and the autostart entry are faked,
// and every call is recorded in order.
class RecordingBackend : public SettingsBackend {
 public:
  std::string ReadValue(const std::string& name) override { return TPubUtil::ReadRegString(name); }
  void WriteValue(const std::string& name, const std::string& text) override {
    if (name == failingName) throw SettingsError("cannot write " + name);
    calls.push_back(name + "=" + text);
    TPubUtil::WriteRegString(name, text);
  }
  void WriteValues(const std::map<std::string, std::string>& values) override {
    if (values.contains(failingName)) throw SettingsError("cannot write " + failingName);
    std::string call = "record:";
    for (const auto& [name, text] : values) call += " " + name + "=" + text;
    calls.push_back(call);
    TPubUtil::WriteRegStrings(values);
  }
  bool IsServiceInstalled(const std::string& serviceName) override {
    askedService = serviceName;
    return serviceInstalled;
  }
  void SetAutorun(bool enabled) override {
    calls.push_back(enabled ? "autorun on" : "autorun off");
  }

  bool serviceInstalled = false;
  std::string failingName;
  std::string askedService;
  std::vector<std::string> calls;
};

class SettingsStoreTest : public ::testing::Test {
 protected:
  SettingsStoreTest() {
    SetConfigRoot(dir_ / "config");
    platform::SetAutostartFolder(dir_ / "autostart");
  }
  ~SettingsStoreTest() override {
    SetConfigRoot({});
    platform::SetAutostartFolder({});
  }

  std::optional<std::string> Raw(const std::string& name) const {
    return platform::KeyValueStore(ConfigRoot() / "settings.ini").Read(name);
  }

  TempDir dir_;
  RecordingBackend backend_;
};

// What a fresh machine loads: empty texts, line type 0, auto-connect and the system report on.
TParamInfo Fresh() { return TParamInfo{.AutoConn = true, .UpdateSysInfo = true}; }

struct LoadCase {
  const char* what;
  std::vector<std::pair<std::string, std::string>> stored;
  bool serviceInstalled;
  std::function<void(TParamInfo&)> expectedChange;
};

template <typename Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& param) {
  std::string name = param.param.what;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

class LoadRules : public SettingsStoreTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadRules, RecordFollowsTheReadBackRules) {
  for (const auto& [name, text] : GetParam().stored) TPubUtil::WriteRegString(name, text);
  backend_.serviceInstalled = GetParam().serviceInstalled;
  TParamInfo expected = Fresh();
  if (GetParam().expectedChange) GetParam().expectedChange(expected);

  EXPECT_EQ(LoadParamInfo(backend_), expected);
  EXPECT_EQ(backend_.askedService, "PROKelbrinService");
}

const LoadCase kLoadCases[] = {
    {"fresh store", {}, false, nullptr},
    {"service installed", {}, true, [](TParamInfo& r) { r.AsService = true; }},
    {"stored AsService ignored", {{"AsService", "1"}}, false, nullptr},
    {"UpdateSysInfo 1", {{"UpdateSysInfo", "1"}}, false, nullptr},
    {"UpdateSysInfo 0",
     {{"UpdateSysInfo", "0"}},
     false,
     [](TParamInfo& r) { r.UpdateSysInfo = false; }},
    {"UpdateSysInfo empty", {{"UpdateSysInfo", ""}}, false, nullptr},
    {"UpdateSysInfo blanks", {{"UpdateSysInfo", "  "}}, false, nullptr},
    {"UpdateSysInfo 2",
     {{"UpdateSysInfo", "2"}},
     false,
     [](TParamInfo& r) { r.UpdateSysInfo = false; }},
    {"AutoConn 0", {{"AutoConn", "0"}}, false, [](TParamInfo& r) { r.AutoConn = false; }},
    {"ImmediateUpdate 1", {{"ImmediateUpdate", "1"}}, false, nullptr},
    {"ImmediateUpdate 0",
     {{"ImmediateUpdate", "0"}},
     false,
     [](TParamInfo& r) { r.ImmediateUpdate = false; }},
    {"AutoConn empty", {{"AutoConn", ""}}, false, nullptr},
    {"AutoConn 2", {{"AutoConn", "2"}}, false, [](TParamInfo& r) { r.AutoConn = false; }},
    {"AutoConn trimmed 1", {{"AutoConn", " 1\t"}}, false, nullptr},
    {"line type 3",
     {{"InternalLineType", "3"}},
     false,
     [](TParamInfo& r) { r.InternalLineType = 3; }},
    {"line type -1",
     {{"InternalLineType", "-1"}},
     false,
     [](TParamInfo& r) { r.InternalLineType = -1; }},
    {"line type trimmed",
     {{"InternalLineType", " 4 "}},
     false,
     [](TParamInfo& r) { r.InternalLineType = 4; }},
    {"line type +5",
     {{"InternalLineType", "+5"}},
     false,
     [](TParamInfo& r) { r.InternalLineType = 5; }},
    {"line type +-5", {{"InternalLineType", "+-5"}}, false, nullptr},
    {"line type text", {{"InternalLineType", "abc"}}, false, nullptr},
    {"line type 2x", {{"InternalLineType", "2x"}}, false, nullptr},
    {"line type overflow", {{"InternalLineType", "99999999999"}}, false, nullptr},
    {"SavePwd 1 with user",
     {{"UserName", "ann"}, {"SavePwd", "1"}},
     false,
     [](TParamInfo& r) {
       r.UserName = "ann";
       r.SavePwd = true;
     }},
    {"SavePwd 0 keeps the password",
     {{"UserPwd", "pw"}, {"SavePwd", "0"}},
     false,
     [](TParamInfo& r) { r.UserPwd = "pw"; }},
    {"SavePwd true is not 1",
     {{"UserName", "ann"}, {"SavePwd", "true"}},
     false,
     [](TParamInfo& r) { r.UserName = "ann"; }},
    {"both empty force SavePwd off", {{"SavePwd", "1"}}, false, nullptr},
    {"blank user and password force SavePwd off",
     {{"UserName", "  "}, {"UserPwd", "\t"}, {"SavePwd", "1"}},
     false,
     nullptr},
    {"texts trimmed",
     {{"UserName", "  ann "},
      {"UserPwd", "pass "},
      {"LineName", " My DSL\t"},
      {"LineUserName", " line user "},
      {"LineUserPwd", "lp  "}},
     false,
     [](TParamInfo& r) {
       r.UserName = "ann";
       r.UserPwd = "pass";
       r.LineName = "My DSL";
       r.LineUserName = "line user";
       r.LineUserPwd = "lp";
     }},
    {"autorun 1",
     {{"AutoRunAsOSStart", "1"}},
     false,
     [](TParamInfo& r) { r.AutoRunAsOSStart = true; }},
    {"autorun yes", {{"AutoRunAsOSStart", "yes"}}, false, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cases, LoadRules, ::testing::ValuesIn(kLoadCases), CaseName<LoadCase>);

const TParamInfo kRecord{.UserName = " ann ",
                         .UserPwd = "p w ",
                         .SavePwd = true,
                         .AutoRunAsOSStart = true,
                         .AsService = false,
                         .LineUserName = "line user",
                         .LineUserPwd = "",
                         .InternalLineType = -1,
                         .LineName = "My DSL",
                         .AutoConn = false,
                         .UpdateSysInfo = true};

TEST_F(SettingsStoreTest, SaveWritesTheWholeRecordAtOnceUntrimmedThenSetsAutorun) {
  SaveParamInfo(kRecord, backend_);
  EXPECT_EQ(backend_.calls,
            (std::vector<std::string>{
                "record: AsService=0 AutoConn=0 AutoRunAsOSStart=1 InternalLineType=-1 "
                "LineName=My DSL LineUserName=line user LineUserPwd= SavePwd=1 "
                "UpdateSysInfo=1 UserName= ann  UserPwd=p w ",
                "autorun on"}));
  EXPECT_EQ(Raw("UserName"), " ann ");
  EXPECT_EQ(Raw("UserPwd"), "p w ");
}

// A record as it loads back (texts trimmed), for saves whose outcome is compared whole.
TParamInfo Account(const std::string& name, const std::string& password, bool lineFlags) {
  return TParamInfo{.UserName = name,
                    .UserPwd = password,
                    .SavePwd = true,
                    .AutoRunAsOSStart = false,
                    .AsService = false,
                    .LineUserName = name + "-line",
                    .LineUserPwd = password + "-line",
                    .InternalLineType = lineFlags ? 2 : 0,
                    .LineName = "line of " + name,
                    .AutoConn = lineFlags,
                    .UpdateSysInfo = !lineFlags};
}

TEST_F(SettingsStoreTest, FailedSaveLeavesTheOldRecordWholeNeverAMix) {
  const TParamInfo oldRecord = Account("ann", "ann-pass", true);
  SaveParamInfo(oldRecord, backend_);
  backend_.calls.clear();

  backend_.failingName = "AsService";
  EXPECT_THROW(SaveParamInfo(Account("bob", "bob-pass", false), backend_), SettingsError);
  EXPECT_EQ(backend_.calls, std::vector<std::string>{}) << "no value was written on its own";
  // Old or new, never a mix; the save failed, so the old record.
  EXPECT_EQ(LoadParamInfo(backend_), oldRecord);
}

// A process killed at any moment of a save leaves one whole record: the user name always
// belongs to the password (and to the rest of the record) it was saved with.
TEST_F(SettingsStoreTest, KillDuringSavesNeverLeavesAMixedRecord) {
  const TParamInfo records[] = {Account("ann", "ann-pass", true),
                                Account("bob", "bob-pass", false)};
  SaveParamInfo(records[0]);
  std::mt19937 random(20061);
  std::uniform_int_distribution<int> killAfterUs(0, 3000);
  constexpr int kKills = 150;
  for (int round = 0; round < kKills; ++round) {
    int started[2];
    ASSERT_EQ(::pipe(started), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(started[0]);
      // Saves the two accounts in turn until killed; says so once the first save has begun.
      for (int i = 0;; ++i) {
        if (i == 1) (void)!::write(started[1], "s", 1);
        try {
          SaveParamInfo(records[(i + round) % 2]);
        } catch (...) {
          ::_exit(3);
        }
      }
    }
    ::close(started[1]);
    char byte = 0;
    ASSERT_EQ(::read(started[0], &byte, 1), 1);
    ::close(started[0]);
    std::this_thread::sleep_for(std::chrono::microseconds(killAfterUs(random)));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed on its own, status " << status;

    const TParamInfo loaded = LoadParamInfo(backend_);
    ASSERT_TRUE(loaded == records[0] || loaded == records[1])
        << "round " << round << ": user " << loaded.UserName << " with password "
        << loaded.UserPwd << ", line user " << loaded.LineUserName;
  }
}

TEST_F(SettingsStoreTest, SavedRecordLoadsBackAndAutostartFollowsIt) {
  TParamInfo record = kRecord;
  record.UserName = "ann";
  record.UserPwd = "p w";
  record.LineUserPwd = "a=b;c #d";
  SaveParamInfo(record);  // the system backend: real store and real autostart entry
  EXPECT_TRUE(fs::exists(platform::AutostartEntryPath()));
  EXPECT_EQ(LoadParamInfo(backend_), record);

  record.AutoRunAsOSStart = false;
  SaveParamInfo(record);
  EXPECT_FALSE(fs::exists(platform::AutostartEntryPath()));
  EXPECT_EQ(LoadParamInfo(backend_), record);
}

}  // namespace
}  // namespace kelbrin::settings
