#include "app/commands/StandaloneCommands.h"

#include <charconv>
#include <filesystem>
#include <optional>

#include "app/entry/AddressHistoryPlace.h"
#include "app/entry/LocaleText.h"
#include "app/entry/PasswordInput.h"
#include "eventlog/AddressHistory.h"
#include "lines/LineSettingsCheck.h"
#include "lines/NetHelpers.h"
#include "lines/TLineFactory.h"
#include "runtime/Translate.h"
#include "settings/ParamInfoStorage.h"
#include "settings/PubUtil.h"
#include "sysinfo/IpHelper.h"
#include "sysinfo/SysInfoTree.h"
#include "sysinfo/TSysInfo.h"

namespace kelbrin::app {

namespace {

using runtime::Translate;

constexpr std::string_view kProgram = "kelbrin-client: ";

// The line type as an index of the line-type table, or its name there.
std::optional<int> LineTypeOf(const std::string& text) {
  std::vector<std::string> names;
  lines::TLineFactory::GetLineTypeNames(&names);
  for (std::size_t index = 0; index < names.size(); ++index) {
    if (names[index] == text) return static_cast<int>(index);
  }
  int index = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (index < 0 || index >= static_cast<int>(names.size())) return std::nullopt;
  return index;
}

std::string LineProblemText(lines::LineSettingsProblem problem) {
  switch (problem) {
    case lines::LineSettingsProblem::None:
      return {};
    case lines::LineSettingsProblem::UnknownLineType:
      return Translate("not a line type");
    case lines::LineSettingsProblem::MissingCredentials:
      return Translate(lines::kMissingCredentialsText);
    case lines::LineSettingsProblem::TooLong:
      return Translate("the line's user name takes at most 25 characters and its password 15");
  }
  return {};
}

}  // namespace

int PrintHistory(std::ostream& out, std::ostream& err) {
  const std::optional<std::filesystem::path> file = AddressHistoryFile();
  if (!file) {
    err << kProgram
        << Translate("no state folder for the address history (set XDG_STATE_HOME or HOME)")
        << '\n';
    return 1;
  }
  try {
    const eventlog::AddressHistory history(*file);
    const std::vector<eventlog::AddressRecord> records = history.Read();
    // An empty answer would not tell a new history from a look in the wrong place.
    if (records.empty()) {
      err << kProgram << Translate("no address recorded yet in %1", {file->string()}) << '\n';
    }
    for (const auto& record : records) {
      out << eventlog::AddressHistory::FormatLine(record) << '\n';
    }
    return 0;
  } catch (const std::exception& error) {
    err << kProgram << error.what() << '\n';
    return 1;
  }
}

int StoreAddressCommand(const std::string& program, std::ostream& out, std::ostream& err) {
  const bool none = program == "-";
  if (!none && !std::filesystem::path(program).is_absolute()) {
    err << kProgram
        << Translate("--address-command needs the program's absolute path, not '%1'", {program})
        << '\n';
    return kExitUsage;
  }
  try {
    settings::TPubUtil::WriteRegString("AddressChangeCommand", none ? "" : program);
  } catch (const settings::SettingsError& error) {
    err << kProgram << error.what() << '\n';
    return 1;
  }
  out << (none ? Translate("No program runs on a new address.")
               : Translate("On each new address the client runs: ") + program + " NEW PREVIOUS")
      << '\n';
  return 0;
}

int PrintSystemInformation(std::ostream& out, std::ostream& err) {
  const lines::ConnectionSources connections;
  sysinfo::TSysInfo sysInfo(
      {.root = platform::kSystemRoot,
       .getAdapters = [](int& count,
                         sysinfo::TAdaptorRows& rows) { return sysinfo::GetAdapters(count, rows); },
       .connectionNames =
           [&connections] {
             std::vector<std::string> names;
             lines::ListNetworkConnections(names, connections);
             return names;
           },
       .connectionAdapterIndex =
           [&connections](const std::string& name) {
             return static_cast<int>(lines::ConnectionAdapterIndex(name, connections));
           }});
  return sysinfo::WriteSysInfoTree(sysInfo, out, err);
}

int StoreLine(const Options& options, std::istream& in, int inFd, std::ostream& out,
              std::ostream& err) {
  const std::optional<int> lineType = LineTypeOf(*options.storeLine);
  if (!lineType) {
    err << kProgram << Translate("--store-line: not a line type: '%1'", {*options.storeLine})
        << '\n';
    return kExitUsage;
  }
  std::optional<std::string> connection = options.connection;
  std::optional<std::string> user = options.lineUser;
  std::optional<std::string> password;
  if (options.linePasswordStdin) {
    PasswordLine line = ReadPasswordLine(in, inFd);
    if (!line.error.empty()) {
      err << kProgram << "--line-password-stdin: " << line.error << '\n';
      return kExitUsage;
    }
    password = std::move(line.password);
  }
  for (const std::string& error : {FromLocale(connection, "--connection"),
                                   FromLocale(user, "--line-user"),
                                   FromLocale(password, "--line-password-stdin")}) {
    if (!error.empty()) {
      err << kProgram << error << '\n';
      return kExitUsage;
    }
  }
  const std::string problem = LineProblemText(lines::CheckLineSettings(
      *lineType, user.value_or(std::string()), password.value_or(std::string())));
  if (!problem.empty()) {
    err << kProgram << problem << '\n';
    return kExitUsage;
  }
  try {
    settings::TParamInfo record = settings::LoadParamInfo();
    record.InternalLineType = *lineType;
    record.LineName = connection.value_or(std::string());
    record.LineUserName = user.value_or(std::string());
    record.LineUserPwd = password.value_or(std::string());
    record.AutoConn = options.autoConnect.value_or("yes") == "yes";
    settings::SaveParamInfo(record);
  } catch (const settings::SettingsError& error) {
    err << kProgram << error.what() << '\n';
    return 1;
  }
  std::vector<std::string> names;
  lines::TLineFactory::GetLineTypeNames(&names);
  out << Translate("Line stored: ") << Translate(names[static_cast<std::size_t>(*lineType)])
      << (connection ? Translate(" over ") + *connection : std::string())
      << Translate(", auto-connect ") << options.autoConnect.value_or("yes") << '\n';
  return 0;
}

}  // namespace kelbrin::app
