// The real kelbrin-client executable, started as a separate process.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <clocale>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ChildRun.h"
#include "ReferenceService.h"
#include "TempDir.h"
#include "app/entry/CommandLine.h"

namespace {

using kelbrin::test::ReadFile;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// This process's environment without its locale variables, with `locale` as LANG when given.
std::vector<std::string> environmentWithLocale(const char* locale) {
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string_view text(*variable);
    if (text.starts_with("LANG") || text.starts_with("LC_")) continue;
    variables.emplace_back(text);
  }
  if (locale != nullptr) variables.push_back(std::string("LANG=") + locale);
  return variables;
}

// Runs the client with `args`, `input` on its standard input, and waits for it to end; under
// `locale` (LANG, no other locale variable) when given, else in this process's environment.
Outcome runClient(const kelbrin::test::TempDir& dir, const std::vector<std::string>& args,
                  const std::string& input = "", const char* locale = nullptr) {
  const auto inFile = dir / "stdin";
  const auto outFile = dir / "stdout";
  const auto errFile = dir / "stderr";
  std::ofstream(inFile, std::ios::binary) << input;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, inFile.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  std::vector<std::string> argvText = {KELBRIN_CLIENT_EXECUTABLE};
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argvText) argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::vector<std::string> environmentText = environmentWithLocale(locale);
  std::vector<char*> environment;
  for (std::string& variable : environmentText) environment.push_back(variable.data());
  environment.push_back(nullptr);

  Outcome outcome;
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(),
                                  locale != nullptr ? environment.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return outcome;
  int status = 0;
  if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  outcome.out = ReadFile(outFile);
  outcome.err = ReadFile(errFile);
  return outcome;
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  int exitCode;
  const char* firstLine;  // of standard output when the exit code is 0, else of standard error
};

class ClientCommandLineTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(ClientCommandLineTest, AnswersWithItsExitCodeAndFirstLine) {
  kelbrin::test::TempDir dir;
  const UsageCase& c = GetParam();
  const Outcome outcome = runClient(dir, c.args);
  EXPECT_EQ(outcome.exitCode, c.exitCode);
  EXPECT_THAT(c.exitCode == 0 ? outcome.out : outcome.err, StartsWith(c.firstLine));
  if (c.exitCode == 64) {
    EXPECT_THAT(outcome.err, HasSubstr("Usage: kelbrin-client"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClientCommandLineTest,
    ::testing::Values(
        UsageCase{"Version", {"--version"}, 0, "kelbrin-client 6.0\n"},
        UsageCase{"Help", {"--help"}, 0, "Usage: kelbrin-client [OPTION]...\n"},
        UsageCase{"UnknownOption", {"--bogus"}, 64, "kelbrin-client: unknown option '--bogus'\n"},
        UsageCase{
            "MissingValue", {"--once", "--user"}, 64, "kelbrin-client: --user needs a value\n"},
        UsageCase{"NoPasswordOnStdin",
                  {"--once", "--password-stdin"},
                  64,
                  "kelbrin-client: --password-stdin: no password on standard input\n"}),
    [](const auto& p) { return std::string(p.param.name); });

struct BadPasswordCase {
  const char* name;
  std::string input;
  const char* error;
  // When set, the input is this many 'x' and a line end, made when the test runs: gtest makes
  // every case in each test process.
  std::size_t hugeLine = 0;
};

class BadPasswordInputTest : public ::testing::TestWithParam<BadPasswordCase> {};

// A bad line is a usage error before any exchange: no endpoint is ever reached.
TEST_P(BadPasswordInputTest, IsAUsageErrorThatSaysWhy) {
  kelbrin::test::TempDir dir;
  const Outcome outcome = runClient(
      dir,
      {"--endpoint", "http://127.0.0.1:9/", "--config-root", (dir / "config").string(), "--once",
       "--user", "demo01", "--password-stdin"},
      GetParam().hugeLine ? std::string(GetParam().hugeLine, 'x') + "\n" : GetParam().input);
  EXPECT_EQ(outcome.exitCode, 64);
  EXPECT_THAT(outcome.err, StartsWith(GetParam().error));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadPasswordInputTest,
    ::testing::Values(
        BadPasswordCase{"Huge", "",
                        "kelbrin-client: --password-stdin: the password line is longer than "
                        "4096 bytes\n",
                        8 << 20},
        BadPasswordCase{"Nul", std::string("demo\0pass\n", 10),
                        "kelbrin-client: --password-stdin: the password holds a NUL byte\n"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(ClientOnceTest, PasswordFromStandardInputLogsInAndIsSavedButNeverPrinted) {
  kelbrin::test::ReferenceService service;
  kelbrin::test::TempDir dir;
  const std::string configRoot = (dir / "config").string();
  const std::vector<std::string> common = {"--endpoint", service.endpoint(), "--config-root",
                                           configRoot,   "--time-scale",     "0.5"};

  std::vector<std::string> first = common;
  first.insert(first.end(), {"--once", "--user", "demo01", "--password-stdin", "--save"});
  const Outcome saved = runClient(dir, first, "demo-pass\n");
  ASSERT_EQ(saved.exitCode, 0) << saved.err;
  EXPECT_THAT(saved.out, HasSubstr("IP updates successfully：127.0.0.1\n"));
  EXPECT_THAT(saved.out + saved.err, ::testing::Not(HasSubstr("demo-pass")));

  // The second run takes the saved credentials.
  std::vector<std::string> second = common;
  second.push_back("--once");
  const Outcome again = runClient(dir, second);
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_THAT(again.out, HasSubstr("User ID: 100001\n"));
  EXPECT_EQ(service.countRequests("QueryUserProfileReq"), 2);
}

// The locale's messages language decides the help and the one-shot report; under C.UTF-8 they
// are the program's English texts byte for byte.
struct LocaleCase {
  const char* locale;
  const char* helpFirstLine;
  const char* addressLine;
  const char* accountLine;
  const char* domainTotal;
  const char* valueError;  // a command-line error that carries the value given
};

class ClientLocaleTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(ClientLocaleTest, HelpAndOnceSpeakTheLocalesLanguage) {
  const LocaleCase& c = GetParam();
  const locale_t installed = newlocale(LC_MESSAGES_MASK, c.locale, static_cast<locale_t>(nullptr));
  ASSERT_NE(installed, static_cast<locale_t>(nullptr))
      << c.locale << " is not installed (scripts/setup installs locales-all)";
  freelocale(installed);
  kelbrin::test::ReferenceService service;
  kelbrin::test::TempDir dir;

  const Outcome help = runClient(dir, {"--help"}, "", c.locale);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_THAT(help.out, StartsWith(c.helpFirstLine));
  // This test process never sets a locale: Usage() is the English text.
  if (std::string_view(c.locale) == "C.UTF-8") {
    EXPECT_EQ(help.out, kelbrin::app::Usage());
  }

  const Outcome refused = runClient(dir, {"--time-scale", "fast"}, "", c.locale);
  EXPECT_EQ(refused.exitCode, kelbrin::app::kExitUsage);
  EXPECT_THAT(refused.err, StartsWith(c.valueError));

  const Outcome once =
      runClient(dir,
                {"--endpoint", service.endpoint(), "--config-root", (dir / "config").string(),
                 "--once", "--user", "demo01", "--password-stdin"},
                "demo-pass\n", c.locale);
  ASSERT_EQ(once.exitCode, 0) << once.err;
  EXPECT_THAT(once.out, HasSubstr(c.addressLine));
  EXPECT_THAT(once.out, HasSubstr(c.accountLine));
  EXPECT_THAT(once.out, HasSubstr(c.domainTotal));
}

INSTANTIATE_TEST_SUITE_P(
    Locales, ClientLocaleTest,
    ::testing::Values(LocaleCase{"C.UTF-8", "Usage: kelbrin-client [OPTION]...\n",
                                 "IP updates successfully：127.0.0.1\n", "User ID: 100001\n",
                                 "\nTotal: ",
                                 "kelbrin-client: --time-scale needs a number from 0.001 to "
                                 "1000, not 'fast'\nUsage: "},
                      LocaleCase{"zh_CN.UTF-8", "用法：kelbrin-client [选项]...\n",
                                 "IP 更新成功：127.0.0.1\n", "用户 ID：100001\n", "\n共 ",
                                 "kelbrin-client: --time-scale 需要 0.001 到 1000 之间的数字，"
                                 "而不是 'fast'\n用法："}),
    [](const auto& p) {
      std::string name = p.param.locale;
      std::erase_if(name, [](char ch) { return ch == '.' || ch == '-'; });
      return name;
    });

}  // namespace
