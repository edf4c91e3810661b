#include "collect/page_fetcher.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <qcorotask.h>

#include "tests/raw_http_server.h"

namespace talvec {
namespace {

using testing::RawHttpServer;

QString Fetch(PageFetcher& fetcher, const QString& address) {
  return QCoro::waitFor(fetcher.FetchPage(address, QStringLiteral("UTF-8")));
}

TEST(PageFetcher, BodiesWhateverTheStatus) {
  RawHttpServer server([](const QByteArray& path) -> RawHttpServer::Answer {
    if (path == "/404") return RawHttpServer::Html("<p>页面没有找到</p>", 404);
    if (path == "/500") return RawHttpServer::Html("<p>服务器忙</p>", 500);
    if (path == "/empty") return RawHttpServer::Html("");
    if (path == "/bom") return RawHttpServer::Html("\xEF\xBB\xBF成都");
    if (path == "/bad") return RawHttpServer::Html("ab\xFF\xFE" "cd");
    return RawHttpServer::Html("<h1>四川省政府采购网</h1>");
  });
  PageFetcher fetcher;
  EXPECT_EQ(Fetch(fetcher, server.base() + "/"), QStringLiteral("<h1>四川省政府采购网</h1>"));
  EXPECT_EQ(Fetch(fetcher, server.base() + "/404"), QStringLiteral("<p>页面没有找到</p>"));
  EXPECT_EQ(Fetch(fetcher, server.base() + "/500"), QStringLiteral("<p>服务器忙</p>"));
  EXPECT_EQ(Fetch(fetcher, server.base() + "/empty"), QString());
  EXPECT_EQ(Fetch(fetcher, server.base() + "/bom"), QStringLiteral("成都"));
  EXPECT_EQ(Fetch(fetcher, server.base() + "/bad"), QStringLiteral("ab\uFFFD\uFFFDcd"));
  EXPECT_EQ(QCoro::waitFor(fetcher.FetchPage(server.base() + "/", QStringLiteral("no-such-set"))),
            QString());
}

TEST(PageFetcher, FailuresGiveTheEmptyTextWithinTheirBounds) {
  RawHttpServer server([](const QByteArray& path) -> RawHttpServer::Answer {
    if (path == "/stall") return {QByteArray(), true};
    if (path == "/truncated")
      return {"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nonly a part"};
    if (path == "/huge") {
      const QByteArray body(3 << 20, 'x');
      return RawHttpServer::Html(body);
    }
    if (path == "/garbage") return {QByteArray("\x00\x01\x02garbage\r\n\r\n", 14)};
    return RawHttpServer::Html("ok");
  });
  PageFetcher fetcher;
  fetcher.SetTransferTimeout(500);
  fetcher.SetMaxBodyBytes(1 << 20);

  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(Fetch(fetcher, server.base() + "/stall"), QString());
  EXPECT_LT(clock.elapsed(), 3000);
  EXPECT_GE(clock.elapsed(), 400);

  EXPECT_EQ(Fetch(fetcher, server.base() + "/truncated"), QString());
  EXPECT_EQ(Fetch(fetcher, server.base() + "/huge"), QString());
  EXPECT_EQ(Fetch(fetcher, server.base() + "/garbage"), QString());
  EXPECT_EQ(Fetch(fetcher, QStringLiteral("http://127.0.0.1:1/")), QString());  // refused
  EXPECT_EQ(Fetch(fetcher, QStringLiteral("not an address")), QString());
  EXPECT_EQ(Fetch(fetcher, server.base() + "/"), QStringLiteral("ok"));  // still usable
}

TEST(PageFetcher, EventLoopKeepsTickingWhileAFetchWaits) {
  RawHttpServer server([](const QByteArray&) -> RawHttpServer::Answer { return {{}, true}; });
  PageFetcher fetcher;
  fetcher.SetTransferTimeout(400);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(10);
  Fetch(fetcher, server.base() + "/");
  EXPECT_GE(ticks, 20);
}

}  // namespace
}  // namespace talvec
