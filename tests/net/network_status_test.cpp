#include "net/network_status.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QSignalSpy>

#include "net/page_fetcher.h"
#include "tests/raw_http_server.h"

namespace talvec {
namespace {

using test_support::RawHttpServer;

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
  QSignalSpy reachability(&status, &NetworkStatus::reachabilityChanged);

  QCoro::waitFor(status.StartupProbe());
  EXPECT_FALSE(status.NetworkOk());
  EXPECT_TRUE(status.Unreachable());
  EXPECT_TRUE(status.timerCheckNet().isActive());
  ASSERT_EQ(reachability.size(), 1);
  EXPECT_TRUE(reachability.last().at(0).toBool());

  up = true;
  Service waiter;
  // Resumes when the re-check succeeds.
  EXPECT_TRUE(QCoro::waitFor(status.WaitForNetwork(&waiter)));
  EXPECT_TRUE(status.NetworkOk());
  EXPECT_FALSE(status.Unreachable());
  EXPECT_FALSE(status.timerCheckNet().isActive());
  EXPECT_FALSE(reachability.last().at(0).toBool());

  status.NetworkLossReaction();
  EXPECT_FALSE(status.NetworkOk());
  EXPECT_TRUE(status.Unreachable());
  EXPECT_TRUE(status.timerCheckNet().isActive());

  // A waiter that stops ends its wait at once, with false.
  auto wait = status.WaitForNetwork(&waiter);
  waiter.Stop();
  EXPECT_FALSE(QCoro::waitFor(std::move(wait)));
}

// The wait ends with the signal, from the event loop, not at a poll's
// next tick; and it ends with false when the network status itself stops
// or goes away.
TEST(NetworkStatus, WaitingForTheNetworkEndsWithTheSignalOrAStop) {
  PageFetcher fetcher;
  Service waiter;
  auto status = std::make_unique<NetworkStatus>(fetcher, QStringLiteral("http://127.0.0.1:1"));
  std::optional<bool> result;
  auto wait = [&](NetworkStatus& s) -> QCoro::Task<> {
    result = co_await s.WaitForNetwork(&waiter);
  };
  QCoro::Task<> task = wait(*status);
  QCoreApplication::processEvents();
  EXPECT_FALSE(result.has_value());
  status->SetNetworkOk(true);
  EXPECT_FALSE(result.has_value());  // not inside the emission
  QCoreApplication::processEvents();
  EXPECT_EQ(result, true);

  for (const bool destroy : {false, true}) {
    status->SetNetworkOk(false);
    result.reset();
    task = wait(*status);
    if (destroy) {
      status.reset();
    } else {
      status->Stop();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(result, false) << destroy;
    if (!destroy) status = std::make_unique<NetworkStatus>(fetcher, QStringLiteral("x"));
  }
}

}  // namespace
}  // namespace talvec
