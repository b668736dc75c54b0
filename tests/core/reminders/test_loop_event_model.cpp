#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "reminders/LoopEventModel.h"
#include "settings/PubUtil.h"

namespace kelbrin::reminders {
namespace {

using settings::TPubUtil;

// "windows"/"loudspeaker" of every row as a string of 0/1 pairs, kind 0 first.
std::string Boxes(const LoopEventModel& model) {
  std::string boxes;
  for (int kind = 0; kind < kEventKindCount; ++kind) {
    boxes += model.Checks(kind).windows ? '1' : '0';
    boxes += model.Checks(kind).loudspeaker ? '1' : '0';
    boxes += ' ';
  }
  return boxes;
}

class LoopEventModelTest : public ::testing::Test {
 protected:
  LoopEventModelTest() { settings::SetConfigRoot(dir.path()); }

  test::TempDir dir;
  EventItems items;
};

constexpr const char* kDefaultBoxes = "00 10 10 10 00 00 00 00 10 00 ";
constexpr const char* kNoBoxes = "00 00 00 00 00 00 00 00 00 00 ";

TEST_F(LoopEventModelTest, CreationShowsTheStoredSettingsOrTheDefaults) {
  EXPECT_EQ(Boxes(LoopEventModel(items)), kDefaultBoxes);
  // Sound alone in the store shows both boxes of that row checked.
  TPubUtil::WriteRegString("EventConfig", std::to_string(1u << 17));
  EXPECT_EQ(Boxes(LoopEventModel(items)), "00 00 00 00 00 00 00 00 11 00 ");
}

TEST_F(LoopEventModelTest, CancelAndReshowDiscardTheEdits) {
  LoopEventModel model(items);
  model.SetWindows(0, true);
  model.SetLoudspeaker(9, true);
  model.SetWindows(1, false);
  model.Cancel();
  EXPECT_EQ(Boxes(model), kDefaultBoxes);
  EXPECT_FALSE(items[0].popup);
  EXPECT_FALSE(items[9].sound);

  model.SetWindows(0, true);
  model.FormShow();
  EXPECT_EQ(Boxes(model), kDefaultBoxes);
  EXPECT_EQ(TPubUtil::ReadRegString("EventConfig"), "");
}

TEST_F(LoopEventModelTest, ShowTakesTheStoreOverUnsavedItems) {
  TPubUtil::WriteRegString("EventConfig", "0");
  LoopEventModel model(items);
  model.Reset();
  EXPECT_EQ(Boxes(model), kDefaultBoxes);
  model.FormShow();
  EXPECT_EQ(Boxes(model), kNoBoxes);
  EXPECT_FALSE(items[1].popup);
}

TEST_F(LoopEventModelTest, OkStoresLoudspeakerWithWindows) {
  LoopEventModel model(items);
  model.SetLoudspeaker(6, true);
  // The boxes do not react to each other before Ok.
  EXPECT_FALSE(model.Checks(6).windows);
  model.Ok();
  EXPECT_TRUE(model.Checks(6).windows);
  EXPECT_TRUE(items[6].popup);
  EXPECT_TRUE(items[6].sound);
  EXPECT_EQ(TPubUtil::ReadRegString("EventConfig"), std::to_string(kDefaultEventMask | (3u << 12)));
}

TEST_F(LoopEventModelTest, DefaultThenCancelKeepsDefaultsInMemoryOnly) {
  TPubUtil::WriteRegString("EventConfig", "0");
  LoopEventModel model(items);
  items[2].logged = true;
  ASSERT_EQ(Boxes(model), kNoBoxes);
  model.Reset();
  model.Cancel();
  EXPECT_EQ(Boxes(model), kDefaultBoxes);
  EXPECT_TRUE(items[1].popup);
  EXPECT_FALSE(items[2].logged);
  EXPECT_EQ(TPubUtil::ReadRegString("EventConfig"), "0");
}

TEST_F(LoopEventModelTest, OkReportsAStoreThatCannotBeWritten) {
  LoopEventModel model(items);
  settings::SetConfigRoot("/proc/kelbrin-not-writable");
  model.SetWindows(0, true);
  EXPECT_THROW(model.Ok(), settings::SettingsError);
  EXPECT_TRUE(items[0].popup);
}

}  // namespace
}  // namespace kelbrin::reminders
