#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "settings/ParamInfo.h"

namespace kelbrin::settings {
namespace {

TEST(ParamInfo, IsOneInstanceWhoseReadersSeeOnlyWholeRecords) {
  EXPECT_EQ(&ParamInfo(), &ParamInfo());
  const TParamInfo first{.UserName = "ann", .UserPwd = "first-password-long-enough-to-allocate"};
  const TParamInfo second{.UserName = "bob", .UserPwd = "second", .SavePwd = true};
  ParamInfo().Update(first);

  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) ParamInfo().Update(i % 2 ? first : second);
    done = true;
  });
  int torn = 0;
  while (!done) {
    const TParamInfo seen = ParamInfo().Snapshot();
    if (seen != first && seen != second) ++torn;
  }
  writer.join();
  EXPECT_EQ(torn, 0);
  ParamInfo().Update({});
}

}  // namespace
}  // namespace kelbrin::settings
