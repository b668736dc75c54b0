// The Secret Service client against gnome-keyring-daemon on a session bus of the test's own.
#include <gtest/gtest.h>

#include "PrivateSecretService.h"
#include "ScopedEnv.h"
#include "TempDir.h"
#include "platform/secrets/SecretServiceStore.h"

namespace kelbrin::platform {
namespace {

class SecretServiceStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!keyring_.Missing().empty()) GTEST_SKIP() << keyring_.Missing();
    ASSERT_EQ(keyring_.Problem(), "");
  }

  test::TempDir dir_;
  test::PrivateSecretService keyring_{dir_.path(), true};
  test::ScopedEnv bus_{"DBUS_SESSION_BUS_ADDRESS", keyring_.Address()};
  SecretServiceStore store_;
};

TEST_F(SecretServiceStoreTest, KeepsOneSecretPerAccountUntilRemoved) {
  EXPECT_EQ(store_.Load("demo01"), std::nullopt);
  store_.Save("demo01", "first pass");
  store_.Save("demo02", std::string("with\0nul and ü", 15));
  store_.Save("demo01", "second pass");  // replaces, never a second item
  EXPECT_EQ(store_.Load("demo01"), "second pass");
  EXPECT_EQ(store_.Load("demo02"), std::string("with\0nul and ü", 15));
  EXPECT_EQ(store_.Load("demo0"), std::nullopt) << "an account is matched whole";

  store_.Remove("demo01");
  EXPECT_EQ(store_.Load("demo01"), std::nullopt);
  EXPECT_EQ(store_.Load("demo02"), std::string("with\0nul and ü", 15));
  EXPECT_NO_THROW(store_.Remove("demo01")) << "nothing saved is not an error";
}

TEST(SecretServiceStoreWithoutKeyringTest, SaysThatNoSecretServiceAnswers) {
  test::TempDir dir;
  test::PrivateSecretService bus(dir.path(), false);
  if (!bus.Missing().empty()) GTEST_SKIP() << bus.Missing();
  ASSERT_EQ(bus.Problem(), "");
  SecretServiceStore store;
  {
    test::ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", bus.Address());
    EXPECT_THROW(store.Save("demo01", "pass"), SecretStoreError);
    EXPECT_THROW(store.Load("demo01"), SecretStoreError);
  }
  test::ScopedEnv noAddress("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "none").string());
  try {
    store.Load("demo01");
    ADD_FAILURE() << "a missing session bus was not reported";
  } catch (const SecretStoreError& error) {
    EXPECT_STRNE(error.what(), "");
  }
}

}  // namespace
}  // namespace kelbrin::platform
