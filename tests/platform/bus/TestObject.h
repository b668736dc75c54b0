#pragma once

#include <string>
#include <vector>

#include "platform/bus/BusService.h"

namespace kelbrin::test {

// A small object published as the client is (its name, path and interface, so the client's own
// bus policy applies): one property of each type, a signal of basic values and one of rows, and
// methods for each kind of argument, reply, refusal and permission. What ran is noted.
struct TestObject {
  static constexpr char kAction[] = "net.kelbrin.test.rename";
  static constexpr char kDenied[] = "Renaming needs permission";

  std::vector<std::string> ran;
  platform::BusRows log;

  platform::BusObject Object() {
    using platform::BusError;
    using platform::BusMethod;
    using platform::BusValue;
    using Args = const std::vector<BusValue>&;
    const auto Arg = [](std::string name, std::string type, platform::BusTextBound bound = {}) {
      return platform::BusArg{std::move(name), std::move(type), bound};
    };
    platform::BusObject object{"net.kelbrin.Client",
                               "/net/kelbrin/Client",
                               "net.kelbrin.Client1",
                               {{"Online", false},
                                {"Count", std::uint32_t{0}},
                                {"Since", std::uint64_t{0}},
                                {"Name", std::string()}},
                               {{"Event", {Arg("kind", "u"), Arg("time", "t"), Arg("text", "s")}},
                                {"Listed", {Arg("rows", "a(us)")}}},
                               {}};
    object.methods = {
        {"Rename",
         {Arg("user_name", "s", {16}), Arg("save", "b")},
         {},
         kAction,
         kDenied,
         [this](Args args) -> BusMethod::Reply {
           ran.push_back("Rename " + std::get<std::string>(args[0]) +
                         (std::get<bool>(args[1]) ? " saved" : ""));
           return {};
         }},
        {"Reset",
         {},
         {},
         kAction,
         kDenied,
         [this](Args) -> BusMethod::Reply {
           ran.push_back("Reset");
           return {};
         }},
        {"Note",
         {Arg("text", "s", {64, true}), Arg("kind", "u"), Arg("time", "t")},
         {Arg("echo", "s")},
         "",
         "",
         [](Args args) -> BusMethod::Reply {
           return BusValue(std::get<std::string>(args[0]) + "/" +
                           std::to_string(std::get<std::uint32_t>(args[1])) + "/" +
                           std::to_string(std::get<std::uint64_t>(args[2])));
         }},
        {"GetLog",
         {},
         {Arg("entries", "a(uts)")},
         "",
         "",
         [this](Args) -> BusMethod::Reply { return log; }},
        // Claims a "u" but answers a text: a reply that cannot be built.
        {"Broken",
         {},
         {Arg("count", "u")},
         "",
         "",
         [](Args) -> BusMethod::Reply { return BusValue(std::string("seven")); }},
        {"Fail",
         {Arg("how", "s")},
         {},
         "",
         "",
         [](Args args) -> BusMethod::Reply {
           const std::string& how = std::get<std::string>(args[0]);
           if (how == "named")
             throw BusError("net.kelbrin.Client1.Error.NotLoggedIn", "Not logged in");
           if (how == "misnamed") throw BusError("not a name", "Odd \xff name");
           throw std::runtime_error("Disk full");
         }},
    };
    return object;
  }
};

}  // namespace kelbrin::test
