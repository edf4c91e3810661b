#include "ui/status_light.h"

#include <gtest/gtest.h>
#include <QLabel>

namespace talvec {
namespace {

TEST(StatusLight, PulseLevelRunsUpAndDownWithinItsBounds) {
  PulseState state;
  std::vector<int> levels;
  for (int i = 0; i < 16; ++i) levels.push_back(AdvancePulse(state));
  EXPECT_EQ(levels, (std::vector<int>{40, 80, 120, 160, 200, 240, 255, 215, 175, 135, 95, 55, 15, 0,
                                      40, 80}));
}

TEST(StatusLight, ColoursFollowWhatTheServicesReport) {
  QLabel picjd;
  StatusLight light(&picjd);
  light.StartCycle();
  EXPECT_TRUE(light.timer1().isActive());
  EXPECT_FALSE(picjd.isHidden());
  // The site is lost: red replaces green; found again: the light goes out.
  light.SetUnreachable(true);
  EXPECT_FALSE(light.timer1().isActive());
  EXPECT_TRUE(light.timer3().isActive());
  light.SetUnreachable(false);
  EXPECT_FALSE(light.timer3().isActive());
  EXPECT_TRUE(picjd.isHidden());
  // The cycle reads pages again, then ends.
  light.StartWorking();
  light.StopWorking(true);
  EXPECT_FALSE(light.timer1().isActive());
  EXPECT_TRUE(picjd.isHidden());
  light.StartSearch();
  EXPECT_FALSE(picjd.isHidden());
  EXPECT_EQ(picjd.palette().color(QPalette::Window).red(), 0);
  light.StopSearch();
  EXPECT_TRUE(picjd.isHidden());
}

}  // namespace
}  // namespace talvec
