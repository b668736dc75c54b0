#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "TempDir.h"
#include "reminders/EventItems.h"
#include "settings/PubUtil.h"

namespace kelbrin::reminders {
namespace {

using settings::TPubUtil;

class EventConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { settings::SetConfigRoot(dir.path()); }

  // Kind k's popup flag as bit 2k, its sound flag as bit 2k+1.
  std::uint32_t FlagsAsMask() const {
    std::uint32_t mask = 0;
    for (int kind = 0; kind < kEventKindCount; ++kind) {
      mask |= std::uint32_t{items[kind].popup} << (2 * kind);
      mask |= std::uint32_t{items[kind].sound} << (2 * kind + 1);
    }
    return mask;
  }

  test::TempDir dir;
  EventItems items;
};

TEST_F(EventConfigTest, DefaultsAreStoredAs65620) {
  items.SaveEventConfig();
  EXPECT_EQ(TPubUtil::ReadRegString("EventConfig"), "65620");
  EXPECT_EQ(FlagsAsMask(), kDefaultEventMask);
}

TEST_F(EventConfigTest, MasksRoundTripThroughTheStore) {
  for (const std::uint32_t mask : {0u, 2u, 65620u, 0x55555u, 0xAAAAAu, 0xFFFFFu, 1u << 19}) {
    SCOPED_TRACE(mask);
    TPubUtil::WriteRegString("EventConfig", std::to_string(mask));
    items.LoadEventConfig();
    EXPECT_EQ(FlagsAsMask(), mask);
    TPubUtil::WriteRegString("EventConfig", "garbage");
    items.SaveEventConfig();
    EXPECT_EQ(TPubUtil::ReadRegString("EventConfig"), std::to_string(mask));
  }
}

TEST_F(EventConfigTest, BitsFromTwentyOnAreIgnoredAndWrittenAsZero) {
  const struct {
    const char* stored;
    std::uint32_t mask;
  } cases[] = {{"1048580", 4}, {"-1", 0xFFFFF}, {"+16", 16}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    items.SetDefaults();
    TPubUtil::WriteRegString("EventConfig", c.stored);
    items.LoadEventConfig();
    EXPECT_EQ(FlagsAsMask(), c.mask);
    items.SaveEventConfig();
    EXPECT_EQ(TPubUtil::ReadRegString("EventConfig"), std::to_string(c.mask));
  }
}

// Beyond a 32-bit integer is not a number either.
TEST_F(EventConfigTest, NonNumberOrAbsentRestoresDefaultsAndClearsLogged) {
  const char* const values[] = {"", "abc", "12abc", "0x10", "1.5", "+-5", "4294967295", nullptr};
  for (const char* stored : values) {
    SCOPED_TRACE(stored ? stored : "(absent)");
    const test::TempDir fresh;
    settings::SetConfigRoot(fresh.path());
    if (stored != nullptr) TPubUtil::WriteRegString("EventConfig", stored);
    for (int kind = 0; kind < kEventKindCount; ++kind) {
      items[kind] = TEventItem{"changed", "changed", true, true, true};
    }
    items.LoadEventConfig();
    EXPECT_EQ(FlagsAsMask(), kDefaultEventMask);
    for (int kind = 0; kind < kEventKindCount; ++kind) {
      EXPECT_FALSE(items[kind].logged);
      EXPECT_EQ(items[kind].firstText, kEventKinds[static_cast<std::size_t>(kind)].firstText);
    }
  }
}

TEST_F(EventConfigTest, NumberLeavesTextsAndLoggedFlagsAlone) {
  items[3].logged = true;
  items[3].firstText = "kept";
  TPubUtil::WriteRegString("EventConfig", "0");
  items.LoadEventConfig();
  EXPECT_TRUE(items[3].logged);
  EXPECT_EQ(items[3].firstText, "kept");
  EXPECT_EQ(FlagsAsMask(), 0u);
}

}  // namespace
}  // namespace kelbrin::reminders
