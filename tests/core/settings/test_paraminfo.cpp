#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "settings/ParamInfo.h"

namespace kelbrin::settings {
namespace {

TEST(ParamInfo, ReadersSeeOnlyWholeRecords) {
  ParamInfoStore store;
  const TParamInfo first{.UserName = "ann", .UserPwd = "first-password-long-enough-to-allocate"};
  const TParamInfo second{.UserName = "bob", .UserPwd = "second", .SavePwd = true};
  store.Update(first);

  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) store.Update(i % 2 ? first : second);
    done = true;
  });
  int torn = 0;
  while (!done) {
    const TParamInfo seen = store.Snapshot();
    if (seen != first && seen != second) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace kelbrin::settings
