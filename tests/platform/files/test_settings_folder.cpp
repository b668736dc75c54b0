// The settings folder holds passwords: private when created, refused when everybody may write
// to it; one service per folder; a process holding the password cannot be dumped.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "TempDir.h"
#include "platform/files/KeyValueStore.h"
#include "platform/files/ServiceInstanceLock.h"
#include "platform/files/SettingsFolder.h"
#include "platform/process/NonDumpable.h"

namespace kelbrin::platform {
namespace {

using test::TempDir;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// Even with a permissive umask the new folder is private.
TEST(SettingsFolder, IsCreatedPrivate) {
  TempDir dir;
  const mode_t old = ::umask(0);
  PrepareSettingsFolder(dir / "parent" / "settings");
  ::umask(old);
  EXPECT_EQ(ModeOf(dir / "parent" / "settings"), 0700);
}

TEST(SettingsFolder, AFolderEverybodyMayWriteToIsRefusedWithTheReason) {
  TempDir dir;
  const fs::path folder = dir / "settings";
  fs::create_directory(folder);
  for (const mode_t mode : {0777, 01777, 0703}) {
    ::chmod(folder.c_str(), mode);
    try {
      PrepareSettingsFolder(folder);
      ADD_FAILURE() << "mode " << std::oct << mode << " accepted";
    } catch (const std::runtime_error& error) {
      EXPECT_THAT(error.what(), HasSubstr(folder.string() + " is writable by every user"));
      EXPECT_THAT(error.what(), HasSubstr("chmod 700 " + folder.string()));
    }
  }
  for (const mode_t mode : {0700, 0750, 0755, 0770}) {
    ::chmod(folder.c_str(), mode);
    EXPECT_NO_THROW(PrepareSettingsFolder(folder)) << std::oct << mode;
    EXPECT_EQ(ModeOf(folder), mode) << "an acceptable folder is left as it is";
  }
}

TEST(SettingsFolder, TheStoreWritesNoPasswordIntoAFolderEverybodyMayWriteTo) {
  TempDir dir;
  const fs::path folder = dir / "settings";
  fs::create_directory(folder);
  ::chmod(folder.c_str(), 0777);
  KeyValueStore store(folder / "settings.ini");
  EXPECT_THROW(store.WriteAll({{"UserName", "ann"}, {"UserPwd", "secret"}}), std::runtime_error);
  EXPECT_FALSE(fs::exists(folder / "settings.ini"));
}

// A child process holds the lock until told to end; the lock is held across processes.
TEST(ServiceInstanceLock, ASecondProcessOnTheSameFolderIsRefusedUntilTheFirstEnds) {
  TempDir dir;
  const fs::path folder = dir / "settings";
  int ready[2];
  int finish[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(finish), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(ready[0]);
    ::close(finish[1]);  // so that the parent's close ends the read below
    try {
      ServiceInstanceLock held(folder);
      (void)!::write(ready[1], "l", 1);
      char byte;
      (void)!::read(finish[0], &byte, 1);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(finish[0]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);

  try {
    ServiceInstanceLock second(folder);
    ADD_FAILURE() << "a second lock on the same folder was granted";
  } catch (const ServiceAlreadyRuns& error) {
    EXPECT_THAT(error.what(), HasSubstr("another kelbrin-client --service already runs with the "
                                        "settings folder " + folder.string()));
    EXPECT_EQ(error.Folder(), folder);
  }
  // Another folder is another service.
  EXPECT_NO_THROW(ServiceInstanceLock other(dir / "other"));

  ::close(finish[1]);  // the child ends, and its lock with it
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(ready[0]);
  EXPECT_NO_THROW(ServiceInstanceLock again(folder));
  EXPECT_EQ(ModeOf(ServiceInstanceLock::LockPath(folder)), 0600);
}

TEST(NonDumpable, TheProcessCanNoLongerBeDumped) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::prctl(PR_GET_DUMPABLE) != 1) ::_exit(10);  // the test would prove nothing
    MakeNotDumpable();
    rlimit core{};
    ::getrlimit(RLIMIT_CORE, &core);
    ::_exit(::prctl(PR_GET_DUMPABLE) == 0 && core.rlim_cur == 0 && core.rlim_max == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace kelbrin::platform
