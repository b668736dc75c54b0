#include "app/entry/CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

#include "protocol/HttpUrl.h"
#include "runtime/Translate.h"

namespace kelbrin::app {

namespace {

// One value-less switch or one option with a value.
struct Flag {
  std::string_view name;
  bool Options::*target;
};
struct Valued {
  std::string_view name;
  std::function<std::string(Options&, std::string_view)> apply;  // returns an error or ""
};

// An argument as an error message quotes it: control characters as \xHH, so the message stays
// one line and sends nothing to the terminal.
std::string quoted(std::string_view arg) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text = "'";
  for (const char ch : arg) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      text += {'\\', 'x', kHex[c >> 4], kHex[c & 0xF]};
    } else {
      text += ch;
    }
  }
  return text + "'";
}

std::string StoreText(std::optional<std::string> Options::*target, Options& options,
                      std::string_view value) {
  options.*target = std::string(value);
  return {};
}

// A user name or password in the endpoint would be readable by every local user in the process
// list, and "-install" would copy it into the unit file: refused, not stored. The URL parser the
// exchanges use decides where the user information is, so no spelling slips past this check.
std::string storeEndpoint(Options& options, std::string_view value) {
  const auto url = protocol::SplitHttpUrl(value);
  if (url && url->credentials) {
    return runtime::Translatable(
        "--endpoint must not carry a user name or password (user:password@): the account "
        "goes in the request itself, and a command line is visible to every local user");
  }
  return StoreText(&Options::endpoint, options, value);
}

// A user name goes into the request's XML, which cannot carry a control character: refused here
// rather than sent and refused by the service (or worse, by the XML parser).
std::function<std::string(Options&, std::string_view)> StoreUserName(
    std::optional<std::string> Options::*target, std::string_view option) {
  return [target, option](Options& options, std::string_view value) {
    const bool control = std::any_of(value.begin(), value.end(), [](char ch) {
      const auto c = static_cast<unsigned char>(ch);
      return c < 0x20 || c == 0x7F;
    });
    if (control) {
      return runtime::Translate("%1 must not contain control characters: %2",
                                {std::string(option), quoted(value)});
    }
    return StoreText(target, options, value);
  };
}

// Beyond these the scaled intervals stop making sense: a huge factor overflows to intervals of a
// millisecond, a tiny one turns the 40 s pace into decades.
constexpr double kMinTimeScale = 0.001;
constexpr double kMaxTimeScale = 1000;

std::string StoreTimeScale(Options& options, std::string_view value) {
  double factor = 0;
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), factor);
  if (ec != std::errc() || end != value.data() + value.size() || !std::isfinite(factor) ||
      factor < kMinTimeScale || factor > kMaxTimeScale) {
    return runtime::Translate("--time-scale needs a number from 0.001 to 1000, not %1",
                              {quoted(value)});
  }
  options.timeScale = factor;
  return {};
}

const Flag kFlags[] = {
    {"--help", &Options::help}, {"--version", &Options::version},
    {"--once", &Options::once}, {"--password-stdin", &Options::passwordStdin},
    {"--save", &Options::save}, {"--service", &Options::service},
    {"--history", &Options::history}, {"--system-info", &Options::systemInfo},
    {"--line-password-stdin", &Options::linePasswordStdin}, {"--status", &Options::status},
    {"--json", &Options::json}, {"--health", &Options::health},
};

const Valued kValued[] = {
    {"--endpoint", storeEndpoint},
    {"--config-root",
     [](Options& o, std::string_view v) { return StoreText(&Options::configRoot, o, v); }},
    {"--user", StoreUserName(&Options::user, "--user")},
    {"--state-report",
     [](Options& o, std::string_view v) { return StoreText(&Options::stateReport, o, v); }},
    {"--time-scale", StoreTimeScale},
    {"--address-command",
     [](Options& o, std::string_view v) { return StoreText(&Options::addressCommand, o, v); }},
    {"--store-line",
     [](Options& o, std::string_view v) { return StoreText(&Options::storeLine, o, v); }},
    {"--connection",
     [](Options& o, std::string_view v) { return StoreText(&Options::connection, o, v); }},
    {"--line-user", StoreUserName(&Options::lineUser, "--line-user")},
    {"--auto-connect",
     [](Options& o, std::string_view v) { return StoreText(&Options::autoConnect, o, v); }},
    {"--bus",
     [](Options& o, std::string_view v) {
       if (v != "system" && v != "session") {
         return std::string(runtime::Translatable("--bus takes system or session"));
       }
       return StoreText(&Options::bus, o, v);
     }},
};

// Options that only make sense for the one-shot command.
std::string CheckOnceOnly(const Options& options) {
  if (options.once && options.service)
    return runtime::Translatable("--once and --service exclude each other");
  const int standalone = int{options.history} + int{options.addressCommand.has_value()} +
                         int{options.systemInfo} + int{options.storeLine.has_value()} +
                         int{options.status} + int{options.health};
  if (standalone > 1 || (standalone == 1 && (options.once || options.service))) {
    return runtime::Translatable(
        "--history, --address-command, --system-info, --store-line, --status and --health "
        "each run on their own");
  }
  if (options.bus && !options.service && !options.status && !options.health) {
    return runtime::Translatable("--bus needs --service, --status or --health");
  }
  if (options.json && !options.status) return runtime::Translatable("--json needs --status");
  if (!options.storeLine &&
      (options.connection || options.lineUser || options.linePasswordStdin || options.autoConnect)) {
    return runtime::Translatable(
        "--connection, --line-user, --line-password-stdin and --auto-connect need --store-line");
  }
  if (options.autoConnect && *options.autoConnect != "yes" && *options.autoConnect != "no") {
    return runtime::Translatable("--auto-connect takes yes or no");
  }
  if (options.once) return {};
  if (options.user) return runtime::Translatable("--user needs --once");
  if (options.passwordStdin) return runtime::Translatable("--password-stdin needs --once");
  if (options.save) return runtime::Translatable("--save needs --once");
  return {};
}

}  // namespace

ParseResult ParseCommandLine(std::span<const std::string_view> args) {
  ParseResult result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);

    bool known = false;
    for (const Flag& flag : kFlags) {
      if (name != flag.name) continue;
      if (equals != std::string_view::npos) {
        result.error = runtime::Translate("%1 takes no value", {flag.name});
        return result;
      }
      result.options.*flag.target = true;
      known = true;
    }
    for (const Valued& option : kValued) {
      if (name != option.name) continue;
      std::string_view value;
      if (equals != std::string_view::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        result.error = runtime::Translate("%1 needs a value", {option.name});
        return result;
      }
      if (value.empty()) {
        result.error = runtime::Translate("%1 needs a value", {option.name});
        return result;
      }
      if (std::string error = option.apply(result.options, value); !error.empty()) {
        result.error = std::move(error);
        return result;
      }
      known = true;
    }
    if (!known) {
      result.error = runtime::Translate("unknown option %1", {quoted(arg)});
      return result;
    }
  }
  result.error = CheckOnceOnly(result.options);
  return result;
}

std::string Usage() {
  return runtime::Translate(
      "Usage: kelbrin-client [OPTION]...\n"
      "Dynamic-DNS client of the Kelbrin service.\n"
      "\n"
      "  --once               log in, send one active test, show the account, the address\n"
      "                       and the domains, then exit (0 done, 1 refused by the service,\n"
      "                       2 service not reachable, 3 logged in but --save could not\n"
      "                       store the settings)\n"
      "  --user NAME          with --once: log in as NAME instead of the saved user\n"
      "  --password-stdin     with --once: read the password as one line from standard input\n"
      "                       instead of the saved one (it is never echoed)\n"
      "  --save               with --once: after a successful login, save the user name and\n"
      "                       password with \"Save Password\" on\n"
      "  --service            run without a window as the system service does: log in with\n"
      "                       the saved password, keep the address current, write every\n"
      "                       notice as a line on standard error; SIGTERM or SIGINT ends it\n"
      "  --bus system|session with --service: publish the client on this D-Bus bus (default:\n"
      "                       system for root, session for anyone else); with --status: ask\n"
      "                       only this bus\n"
      "  --status             show the state of the running client (a service or a desktop\n"
      "                       on the session bus, then the system bus, then the service's\n"
      "                       status file): 0 when one answered, 3 when none runs\n"
      "  --json               with --status: the state as one JSON object\n"
      "  --health             0 when the running client is online, 1 when it is not, 3 when\n"
      "                       none runs (a health check)\n"
      "  --endpoint URL       talk to URL instead of the built-in service endpoint\n"
      "  --config-root DIR    keep the settings in DIR instead of the default folder\n"
      "  --time-scale F       multiply every interval of the client by F (0.001 to 1000); a\n"
      "                       test and demonstration aid\n"
      "  --state-report FILE  desktop: keep FILE up to date with what the window and the\n"
      "                       tray show (a test aid)\n"
      "  --history            show the public addresses the client was given, oldest first\n"
      "                       (kept in $XDG_STATE_HOME/kelbrin-client/address-history; the\n"
      "                       system service's and root's in /var/lib/kelbrin-client)\n"
      "  --address-command PROGRAM\n"
      "                       store PROGRAM to be run on each new public address, with the\n"
      "                       new and the previous address as its arguments (no shell; ended\n"
      "                       after 30 s; its status and first output line go to the log);\n"
      "                       '-' stores none\n"
      "  --system-info        show the system information (the facts the client reports) and\n"
      "                       exit\n"
      "  --store-line TYPE    store the network line the client keeps up and exit; TYPE is\n"
      "                       0 Virtual Dial-up, 1 Web Authorization, 2 Cable Modem or 3 Lan\n"
      "  --connection NAME    with --store-line: the connection (a NetworkManager connection,\n"
      "                       an interface, or for dial-up a pppd peer or a NetworkManager\n"
      "                       PPPoE or mobile-broadband connection)\n"
      "  --line-user NAME     with --store-line: the line's user name (dial-up, portal)\n"
      "  --line-password-stdin\n"
      "                       with --store-line: read the line's password as one line from\n"
      "                       standard input\n"
      "  --auto-connect yes|no\n"
      "                       with --store-line: keep the line connected (default yes)\n"
      "                       Dialling needs pppd, and root or the dip group (the peer file\n"
      "                       then names its link with 'linkname ENTRY'); the service's unit\n"
      "                       grants CAP_NET_ADMIN for it. A NetworkManager connection needs\n"
      "                       NetworkManager running, nmcli, and polkit allowing the user to\n"
      "                       activate it; it dials with its profile's user name\n"
      "  -install, -uninstall\n"
      "                       install or remove the system service PROKelbrinService (also\n"
      "                       /INSTALL, \\uninstall, any case; -silent hides the outcome)\n"
      "  --help               show this help and exit\n"
      "  --version            show the version and exit\n");
}

}  // namespace kelbrin::app
