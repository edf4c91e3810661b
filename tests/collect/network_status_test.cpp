#include "collect/network_status.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include "collect/page_fetcher.h"
#include "tests/raw_http_server.h"

namespace talvec {
namespace {

using testing::RawHttpServer;

TEST(Pulse, LevelRunsUpAndDownWithinItsBounds) {
  PulseState state;
  std::vector<int> levels;
  for (int i = 0; i < 16; ++i) levels.push_back(AdvancePulse(state));
  EXPECT_EQ(levels, (std::vector<int>{40, 80, 120, 160, 200, 240, 255, 215, 175, 135, 95, 55,
                                      15, 0, 40, 80}));
}

TEST(NetworkStatus, UnusablePages) {
  EXPECT_TRUE(IsUnusablePage(QString()));
  EXPECT_TRUE(IsUnusablePage(QStringLiteral("<b>无法找到该页</b>")));
  EXPECT_TRUE(IsUnusablePage(QStringLiteral("x页面没有找到x")));
  EXPECT_FALSE(IsUnusablePage(QStringLiteral("<html>ok</html>")));
}

TEST(NetworkStatus, ProbeLossAndRecovery) {
  bool up = false;
  RawHttpServer server([&](const QByteArray&) {
    return RawHttpServer::Html(up ? "<html>四川</html>" : "<html>无法找到该页</html>", 200);
  });
  PageFetcher fetcher;
  NetworkStatus status(fetcher, server.base());
  status.timerCheckNet().setInterval(50);
  QSignalSpy light(&status, &NetworkStatus::lightChanged);

  QCoro::waitFor(status.StartupProbe());
  EXPECT_FALSE(status.NetworkOk());
  EXPECT_TRUE(status.timer3().isActive());
  EXPECT_TRUE(status.timerCheckNet().isActive());
  ASSERT_TRUE(light.wait(500));
  EXPECT_GT(light.last().at(1).toInt(), 0);  // red
  EXPECT_EQ(light.last().at(2).toInt(), 0);
  EXPECT_EQ(light.last().at(3).toInt(), 0);

  up = true;
  QCoro::waitFor(status.WaitForNetwork());  // resumes when the re-check succeeds
  EXPECT_TRUE(status.NetworkOk());
  EXPECT_FALSE(status.timer3().isActive());
  EXPECT_FALSE(status.timerCheckNet().isActive());
  EXPECT_FALSE(light.last().at(0).toBool());  // light hidden

  status.StartWorkingPulse();
  status.NetworkLossReaction();
  EXPECT_FALSE(status.NetworkOk());
  EXPECT_FALSE(status.timer1().isActive());
  EXPECT_TRUE(status.timer3().isActive());
  EXPECT_TRUE(status.timerCheckNet().isActive());
}

}  // namespace
}  // namespace talvec
