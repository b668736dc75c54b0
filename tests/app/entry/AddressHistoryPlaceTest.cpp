// Where the address history is kept: the service's state folder, the system service's for the
// machine-wide settings, the user's otherwise.
#include <gtest/gtest.h>

#include <map>

#include "app/entry/AddressHistoryPlace.h"
#include "settings/PubUtil.h"

namespace kelbrin::app {
namespace {

struct PlaceCase {
  const char* name;
  const char* configRoot;
  std::map<std::string, std::string> environment;
  std::optional<std::string> expected;
};

const PlaceCase kPlaceCases[] = {
    {"TheUnitsStateFolder", "/etc/kelbrin-client",
     {{"STATE_DIRECTORY", "/var/lib/kelbrin-client"}, {"HOME", "/root"}},
     "/var/lib/kelbrin-client/address-history"},
    {"TheFirstOfSeveralStateFolders", "/home/ann/.config/kelbrin-client",
     {{"STATE_DIRECTORY", "/var/lib/a:/var/lib/b"}},
     "/var/lib/a/address-history"},
    // Root's --history reads what the packaged service kept, not root's home.
    {"TheMachineSettingsReadTheSystemServicesFolder", "/etc/kelbrin-client/",
     {{"HOME", "/root"}},
     "/var/lib/kelbrin-client/address-history"},
    {"TheMachineSettingsWithoutAnyEnvironment", "/etc/kelbrin-client", {},
     "/var/lib/kelbrin-client/address-history"},
    {"AUsersStateHome", "/home/ann/.config/kelbrin-client",
     {{"XDG_STATE_HOME", "/home/ann/state"}, {"HOME", "/home/ann"}},
     "/home/ann/state/kelbrin-client/address-history"},
    {"AUsersHome", "/home/ann/.config/kelbrin-client",
     {{"HOME", "/home/ann"}},
     "/home/ann/.local/state/kelbrin-client/address-history"},
    {"NoAbsoluteFolder", "/home/ann/.config/kelbrin-client",
     {{"HOME", "relative"}},
     std::nullopt},
};

void PrintTo(const PlaceCase& c, std::ostream* out) { *out << c.name; }

class AddressHistoryPlaceTest : public ::testing::TestWithParam<PlaceCase> {
 protected:
  ~AddressHistoryPlaceTest() override { settings::SetConfigRoot({}); }
};

TEST_P(AddressHistoryPlaceTest, ChoosesTheFile) {
  const PlaceCase& c = GetParam();
  settings::SetConfigRoot(c.configRoot);
  const auto environment = [&c](const std::string& name) -> std::optional<std::string> {
    const auto value = c.environment.find(name);
    if (value == c.environment.end()) return std::nullopt;
    return value->second;
  };
  const std::optional<std::filesystem::path> file = AddressHistoryFile(environment);
  if (c.expected) {
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->string(), *c.expected);
  } else {
    EXPECT_EQ(file, std::nullopt);
  }
}

INSTANTIATE_TEST_SUITE_P(Places, AddressHistoryPlaceTest, ::testing::ValuesIn(kPlaceCases),
                         [](const auto& place) { return std::string(place.param.name); });

}  // namespace
}  // namespace kelbrin::app
