#include <gtest/gtest.h>

#include "runtime/Pace.h"

namespace kelbrin::runtime {
namespace {

struct ScaleCase {
  double factor;
  Duration Pace::*field;
  Duration expected;
};

class PaceScaledTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(PaceScaledTest, EveryIntervalIsMultipliedAndNeverDropsBelowOneMillisecond) {
  const auto& [factor, field, expected] = GetParam();
  EXPECT_EQ(Pace{}.Scaled(factor).*field, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Intervals, PaceScaledTest,
    ::testing::Values(ScaleCase{1.0, &Pace::sysInfoInterval, Duration(1800000)},
                      ScaleCase{0.01, &Pace::ipWaitStep, Duration(10)},
                      ScaleCase{0.01, &Pace::addressChangeSettle, Duration(10)},
                      ScaleCase{0.01, &Pace::addressChangeSpacing, Duration(20)},
                      ScaleCase{0.01, &Pace::remindInterval, Duration(750)},
                      ScaleCase{0.01, &Pace::receiveTimeout, Duration(100)},
                      ScaleCase{2.5, &Pace::lineStateFirst, Duration(50000)},
                      ScaleCase{0.0015, &Pace::popupSlideStep, Duration(1)},
                      ScaleCase{0.001, &Pace::serviceListDelay, Duration(1)},
                      ScaleCase{1e-9, &Pace::hangUpBound, Duration(1)}));

TEST(PaceTest, ScalingKeepsTheStepCounts) {
  const Pace fast = Pace{}.Scaled(0.001);
  EXPECT_EQ(fast.ipWaitSteps, 40);
  EXPECT_EQ(fast.autoLogonWaitSteps, 10);
}

}  // namespace
}  // namespace kelbrin::runtime
