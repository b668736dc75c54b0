// The page that takes the browser to an address carrying the password: private, removable, and
// the address inside it cannot break out of the HTML.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/files/ForwardingPage.h"

namespace kelbrin::platform {
namespace {

using test::ScopedEnv;
using test::TempDir;
using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;

constexpr char kAddress[] =
    "http://127.0.0.1:9/advanced.asp?username=ann&password=S%C3%A9cret%26%3D";

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  ::stat(path.c_str(), &info);
  return info.st_mode & 07777;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ForwardingPage, LiesPrivateInTheRuntimeFolderAndGoesAway) {
  TempDir runtime;
  fs::permissions(runtime.path(), fs::perms::owner_all);
  const ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
  fs::path file;
  {
    const ForwardingPage page(kAddress);
    file = page.File();
    EXPECT_EQ(file.parent_path(), runtime.path());
    EXPECT_EQ(ModeOf(file), 0600);
    EXPECT_EQ(ReadFile(file), ForwardingPage::PageText(kAddress));
    EXPECT_EQ(page.FileUrl(), "file://" + file.string());
    EXPECT_THAT(page.FileUrl(), Not(HasSubstr("password")));
  }
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(fs::exists(runtime.path())) << "the runtime folder is not ours to remove";
}

TEST(ForwardingPage, WithoutAPrivateRuntimeFolderMakesAPrivateFolderOfItsOwn) {
  TempDir shared;
  fs::permissions(shared.path(), fs::perms::all);  // writable by everybody: not used
  for (const std::optional<std::string>& runtime :
       {std::optional<std::string>(), std::optional<std::string>(shared.path().string()),
        std::optional<std::string>("relative/folder")}) {
    const ScopedEnv env("XDG_RUNTIME_DIR", runtime);
    fs::path folder;
    {
      const ForwardingPage page(kAddress);
      folder = page.File().parent_path();
      EXPECT_NE(folder, shared.path());
      EXPECT_EQ(ModeOf(folder), 0700);
      EXPECT_EQ(ModeOf(page.File()), 0600);
    }
    EXPECT_FALSE(fs::exists(folder)) << "the page's own folder goes with it";
  }
}

TEST(ForwardingPage, TheAddressCannotBreakOutOfThePage) {
  const std::string page =
      ForwardingPage::PageText("http://h/p?a=1&b=\"><script>alert(1)</script>' x");
  EXPECT_THAT(page, HasSubstr("content=\"0; url=http://h/p?a=1&amp;b=%22%3E%3Cscript%3Ealert(1)"
                              "%3C/script%3E%27%20x\""));
  EXPECT_THAT(page, HasSubstr("<a href=\"http://h/p?a=1&amp;b=%22%3E%3Cscript%3E"));
  EXPECT_THAT(page, Not(HasSubstr("<script>")));
  EXPECT_THAT(page, HasSubstr("<meta name=\"referrer\" content=\"no-referrer\">"));
}

TEST(ForwardingPage, TheFileAddressIsPercentEncoded) {
  TempDir runtime;
  fs::create_directory(runtime / "a b%");
  fs::permissions(runtime / "a b%", fs::perms::owner_all);
  const ScopedEnv env("XDG_RUNTIME_DIR", (runtime / "a b%").string());
  const ForwardingPage page(kAddress);
  EXPECT_EQ(page.FileUrl().rfind("file://" + runtime.path().string() + "/a%20b%25/kelbrin-page-", 0),
            0u)
      << page.FileUrl();
}

}  // namespace
}  // namespace kelbrin::platform
