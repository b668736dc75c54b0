#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/entry/CommandLine.h"

namespace kelbrin::app {
namespace {

using ::testing::HasSubstr;

ParseResult parse(std::vector<std::string_view> args) { return ParseCommandLine(args); }

struct AcceptedCase {
  const char* name;
  std::vector<std::string_view> args;
  Options expected;
};

class AcceptedCommandLineTest : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(AcceptedCommandLineTest, ParsesIntoTheOptions) {
  const ParseResult result = parse(GetParam().args);
  ASSERT_EQ(result.error, "");
  const Options& got = result.options;
  const Options& want = GetParam().expected;
  EXPECT_EQ(got.help, want.help);
  EXPECT_EQ(got.version, want.version);
  EXPECT_EQ(got.endpoint, want.endpoint);
  EXPECT_EQ(got.configRoot, want.configRoot);
  EXPECT_EQ(got.timeScale, want.timeScale);
  EXPECT_EQ(got.once, want.once);
  EXPECT_EQ(got.user, want.user);
  EXPECT_EQ(got.passwordStdin, want.passwordStdin);
  EXPECT_EQ(got.save, want.save);
  EXPECT_EQ(got.service, want.service);
  EXPECT_EQ(got.status, want.status);
  EXPECT_EQ(got.bus, want.bus);
}

Options with(void (*set)(Options&)) {
  Options options;
  set(options);
  return options;
}

INSTANTIATE_TEST_SUITE_P(
    Valid, AcceptedCommandLineTest,
    ::testing::Values(
        AcceptedCase{"Nothing", {}, Options{}},
        AcceptedCase{"Help", {"--help"}, with([](Options& o) { o.help = true; })},
        AcceptedCase{"Version", {"--version"}, with([](Options& o) { o.version = true; })},
        AcceptedCase{
            "EndpointSeparate",
            {"--endpoint", "http://127.0.0.1:8080/pelmar/pelmar.dll/"},
            with([](Options& o) { o.endpoint = "http://127.0.0.1:8080/pelmar/pelmar.dll/"; })},
        AcceptedCase{"EndpointWithEquals", {"--endpoint=https://h/p?a=b"}, with([](Options& o) {
                       o.endpoint = "https://h/p?a=b";
                     })},
        // An '@' past the host is part of the path, not a user name.
        AcceptedCase{"EndpointWithAtInThePath",
                     {"--endpoint", "http://h/p@q?u=a@b"},
                     with([](Options& o) { o.endpoint = "http://h/p@q?u=a@b"; })},
        AcceptedCase{"ConfigRoot", {"--config-root", "/tmp/k"}, with([](Options& o) {
                       o.configRoot = "/tmp/k";
                     })},
        AcceptedCase{
            "TimeScale", {"--time-scale", "0.01"}, with([](Options& o) { o.timeScale = 0.01; })},
        AcceptedCase{"TimeScaleLowest", {"--time-scale", "0.001"}, with([](Options& o) {
                       o.timeScale = 0.001;
                     })},
        AcceptedCase{"TimeScaleHighest", {"--time-scale", "1000"}, with([](Options& o) {
                       o.timeScale = 1000.0;
                     })},
        AcceptedCase{"OnceWithEverything",
                     {"--once", "--user", "demo01", "--password-stdin", "--save", "--time-scale=2"},
                     with([](Options& o) {
                       o.once = true;
                       o.user = "demo01";
                       o.passwordStdin = true;
                       o.save = true;
                       o.timeScale = 2.0;
                     })},
        AcceptedCase{
            "LaterValueWins", {"--once", "--user", "a", "--user", "b"}, with([](Options& o) {
              o.once = true;
              o.user = "b";
            })},
        AcceptedCase{"ServiceOnABus", {"--service", "--bus", "session"}, with([](Options& o) {
                       o.service = true;
                       o.bus = "session";
                     })},
        AcceptedCase{"StatusOnABus", {"--status", "--bus=system"}, with([](Options& o) {
                       o.status = true;
                       o.bus = "system";
                     })}),
    [](const auto& p) { return std::string(p.param.name); });

constexpr const char* kEndpointCredentialsError =
    "--endpoint must not carry a user name or password (user:password@): the account goes in the "
    "request itself, and a command line is visible to every local user";

struct RejectedCase {
  const char* name;
  std::vector<std::string_view> args;
  const char* error;
};

class RejectedCommandLineTest : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(RejectedCommandLineTest, SaysWhatIsWrong) {
  EXPECT_EQ(parse(GetParam().args).error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Invalid, RejectedCommandLineTest,
    ::testing::Values(
        RejectedCase{"UnknownOption", {"--frobnicate"}, "unknown option '--frobnicate'"},
        RejectedCase{"PositionalArgument", {"--once", "extra"}, "unknown option 'extra'"},
        RejectedCase{"ControlCharactersQuoted",
                     {"--bo\ngus\x1b[2J"},
                     "unknown option '--bo\\x0Agus\\x1B[2J'"},
        RejectedCase{"PasswordOnTheCommandLine",
                     {"--once", "--password", "x"},
                     "unknown option '--password'"},
        RejectedCase{"MissingValueAtTheEnd", {"--endpoint"}, "--endpoint needs a value"},
        RejectedCase{"CredentialsInTheEndpoint",
                     {"--endpoint", "https://user:secret@h/p"},
                     kEndpointCredentialsError},
        RejectedCase{"UserNameInAnEndpointWithoutScheme",
                     {"--endpoint=user@h:8080"},
                     kEndpointCredentialsError},
        // A "://" later in the path or query is no scheme to the URL parser: the user
        // information is still in front of the host.
        RejectedCase{"EscapeInTheUserName",
                     {"--once", "--user",
                      "demo\x1b"
                      "01"},
                     "--user must not contain control characters: 'demo\\x1B01'"},
        RejectedCase{"LineEndInTheLineUser",
                     {"--store-line", "dialup", "--line-user=a\nb"},
                     "--line-user must not contain control characters: 'a\\x0Ab'"},
        RejectedCase{"CredentialsBeforeASchemeLikePath",
                     {"--endpoint", "eu:ep@127.0.0.1:8080/pelmar/pelmar.dll/x://y"},
                     kEndpointCredentialsError},
        RejectedCase{"CredentialsBeforeASchemeLikeQuery",
                     {"--endpoint=eu:ep@127.0.0.1:8080/pelmar/pelmar.dll?a=http://b"},
                     kEndpointCredentialsError},
        RejectedCase{"CredentialsWithAnUpperCaseScheme",
                     {"--endpoint=HTTP://eu@127.0.0.1/p"},
                     kEndpointCredentialsError},
        RejectedCase{"EmptyValue", {"--config-root="}, "--config-root needs a value"},
        RejectedCase{"FlagWithValue", {"--once=yes"}, "--once takes no value"},
        RejectedCase{"ScaleZero",
                     {"--time-scale", "0"},
                     "--time-scale needs a number from 0.001 to 1000, not '0'"},
        RejectedCase{"ScaleNegative",
                     {"--time-scale", "-1"},
                     "--time-scale needs a number from 0.001 to 1000, not '-1'"},
        RejectedCase{"ScaleNotANumber",
                     {"--time-scale", "fast"},
                     "--time-scale needs a number from 0.001 to 1000, not 'fast'"},
        RejectedCase{"ScaleTrailingText",
                     {"--time-scale", "2x"},
                     "--time-scale needs a number from 0.001 to 1000, not '2x'"},
        RejectedCase{"ScaleInfinite",
                     {"--time-scale", "inf"},
                     "--time-scale needs a number from 0.001 to 1000, not 'inf'"},
        RejectedCase{"ScaleTooLarge",
                     {"--time-scale", "1e16"},
                     "--time-scale needs a number from 0.001 to 1000, not '1e16'"},
        RejectedCase{"ScaleJustAboveTheRange",
                     {"--time-scale", "1000.001"},
                     "--time-scale needs a number from 0.001 to 1000, not '1000.001'"},
        RejectedCase{"ScaleTooSmall",
                     {"--time-scale", "0.0009"},
                     "--time-scale needs a number from 0.001 to 1000, not '0.0009'"},
        RejectedCase{"ScaleDenormal",
                     {"--time-scale", "1e-310"},
                     "--time-scale needs a number from 0.001 to 1000, not '1e-310'"},
        RejectedCase{"UserWithoutOnce", {"--user", "demo01"}, "--user needs --once"},
        RejectedCase{
            "PasswordStdinWithoutOnce", {"--password-stdin"}, "--password-stdin needs --once"},
        RejectedCase{"SaveWithoutOnce", {"--save"}, "--save needs --once"},
        RejectedCase{"UnknownBus", {"--status", "--bus", "user"}, "--bus takes system or session"},
        RejectedCase{
            "BusAlone", {"--bus", "system"}, "--bus needs --service, --status or --health"},
        RejectedCase{"StatusWithOnce",
                     {"--status", "--once"},
                     "--history, --address-command, --system-info, --store-line, --status and "
                     "--health each run on their own"},
        RejectedCase{"HealthWithStatus",
                     {"--health", "--status"},
                     "--history, --address-command, --system-info, --store-line, --status and "
                     "--health each run on their own"},
        RejectedCase{"JsonAlone", {"--json"}, "--json needs --status"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(UsageTest, NamesEveryOptionAndNoPasswordOption) {
  const std::string usage = Usage();
  for (const char* option : {"--help", "--version", "--endpoint URL", "--config-root DIR",
                             "--time-scale F", "--once", "--user NAME", "--password-stdin",
                             "--save", "--status", "--json", "--health", "--bus system|session"}) {
    EXPECT_THAT(usage, HasSubstr(option));
  }
  EXPECT_THAT(usage, ::testing::Not(HasSubstr("--password ")));
}

}  // namespace
}  // namespace kelbrin::app
