#include "net/page_fetcher.h"

#include <gtest/gtest.h>
#include <qcorotask.h>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "tests/raw_http_server.h"

namespace talvec {
namespace {

using test_support::RawHttpServer;

FetchResult FetchIn(PageFetcher& fetcher, const QString& address, const char* charset = "UTF-8") {
  return QCoro::waitFor(fetcher.Fetch(address, QString::fromLatin1(charset),
                                      PageFetcher::kListPageBytes, nullptr));
}
// The page, or "" when the fetch failed.
QString Fetch(PageFetcher& fetcher, const QString& address) {
  return FetchIn(fetcher, address).value_or(QString());
}

TEST(PageFetcher, BodiesWhateverTheStatus) {
  RawHttpServer server([](const QByteArray& path) -> RawHttpServer::Answer {
    if (path == "/404") return RawHttpServer::Html("<p>页面没有找到</p>", 404);
    if (path == "/500") return RawHttpServer::Html("<p>服务器忙</p>", 500);
    if (path == "/empty") return RawHttpServer::Html("");
    if (path == "/bom") return RawHttpServer::Html("\xEF\xBB\xBF成都");
    if (path == "/bad")
      return RawHttpServer::Html(
          "ab\xFF\xFE"
          "cd");
    return RawHttpServer::Html("<h1>四川省政府采购网</h1>");
  });
  PageFetcher fetcher;
  EXPECT_EQ(Fetch(fetcher, server.base() + "/"), QStringLiteral("<h1>四川省政府采购网</h1>"));
  EXPECT_EQ(Fetch(fetcher, server.base() + "/404"), QStringLiteral("<p>页面没有找到</p>"));
  EXPECT_EQ(Fetch(fetcher, server.base() + "/500"), QStringLiteral("<p>服务器忙</p>"));
  EXPECT_EQ(Fetch(fetcher, server.base() + "/empty"), QString());
  EXPECT_EQ(Fetch(fetcher, server.base() + "/bom"), QStringLiteral("成都"));
  EXPECT_EQ(Fetch(fetcher, server.base() + "/bad"), QStringLiteral("ab\uFFFD\uFFFDcd"));
  EXPECT_EQ(FetchIn(fetcher, server.base() + "/", "no-such-set").value_or(QString()),
            QString());
}

TEST(PageFetcher, FailuresGiveTheEmptyTextWithinTheirBounds) {
  RawHttpServer server([](const QByteArray& path) -> RawHttpServer::Answer {
    if (path == "/stall") return {QByteArray(), true};
    if (path == "/truncated") return {"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nonly a part"};
    if (path == "/huge") {
      const QByteArray body(3 << 20, 'x');
      return RawHttpServer::Html(body);
    }
    if (path == "/garbage") return {QByteArray("\x00\x01\x02garbage\r\n\r\n", 14)};
    return RawHttpServer::Html("ok");
  });
  PageFetcher fetcher;
  fetcher.SetTransferTimeout(500);

  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(Fetch(fetcher, server.base() + "/stall"), QString());
  EXPECT_LT(clock.elapsed(), 3000);
  EXPECT_GE(clock.elapsed(), 400);

  EXPECT_EQ(Fetch(fetcher, server.base() + "/truncated"), QString());
  const FetchResult huge = FetchIn(fetcher, server.base() + "/huge");
  ASSERT_FALSE(huge.has_value());
  EXPECT_EQ(huge.error().kind, Error::Kind::kTooLarge);
  EXPECT_EQ(Fetch(fetcher, server.base() + "/garbage"), QString());
  EXPECT_EQ(Fetch(fetcher, QStringLiteral("http://127.0.0.1:1/")), QString());  // refused
  EXPECT_EQ(Fetch(fetcher, QStringLiteral("not an address")), QString());
  EXPECT_EQ(Fetch(fetcher, server.base() + "/"), QStringLiteral("ok"));  // still usable
}

// A zlib stream as HTTP's "deflate" content coding carries it.
QByteArray Deflated(const QByteArray& data) { return qCompress(data, 9).mid(4); }

RawHttpServer::Answer Encoded(const QByteArray& body) {
  return {
      "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Encoding: deflate\r\n"
      "Content-Length: " +
      QByteArray::number(body.size()) + "\r\n\r\n" + body};
}

TEST(PageFetcher, BrokenOrBloatedCompressedBodiesAreFailuresWithAReason) {
  const QByteArray page = QByteArray("<html>") + QByteArray(20000, 'a') + "</html>";
  const QByteArray good = Deflated(page);
  RawHttpServer server([&](const QByteArray& path) -> RawHttpServer::Answer {
    if (path == "/good") return Encoded(good);
    if (path == "/cut") return Encoded(good.left(good.size() / 2));
    if (path == "/junk") return Encoded(good + QByteArray(300, '\x7f'));
    if (path == "/bomb")
      return Encoded(Deflated(QByteArray(PageFetcher::kListPageBytes + 4096, ' ')));
    return RawHttpServer::Html("ok");
  });
  PageFetcher fetcher;
  EXPECT_EQ(Fetch(fetcher, server.base() + "/good"), QString::fromLatin1(page));
  for (const char* path : {"/cut", "/junk", "/bomb"}) {
    const FetchResult r = QCoro::waitFor(fetcher.Fetch(
        server.base() + path, QStringLiteral("UTF-8"), PageFetcher::kListPageBytes, nullptr));
    EXPECT_FALSE(r.has_value()) << path;
  }
}

TEST(PageFetcher, ADrippingServerIsCutAtTheDeadline) {
  // Headers at once, then a byte every 100 ms: the transfer timeout never
  // fires, the deadline does.
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    QTcpSocket* socket = server.nextPendingConnection();
    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
    auto* drip = new QTimer(socket);
    QObject::connect(drip, &QTimer::timeout, socket, [socket] { socket->write("x"); });
    drip->start(100);
  });
  PageFetcher fetcher;
  fetcher.SetTransferTimeout(500);
  fetcher.SetDeadline(1500);
  QElapsedTimer clock;
  clock.start();
  const FetchResult r =
      QCoro::waitFor(fetcher.Fetch(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()),
                                   QStringLiteral("UTF-8"), PageFetcher::kListPageBytes, nullptr));
  ASSERT_FALSE(r.has_value());
  EXPECT_EQ(r.error().kind, Error::Kind::kNetwork);
  EXPECT_GE(clock.elapsed(), 1400);
  EXPECT_LT(clock.elapsed(), 4000);
}

TEST(PageFetcher, StoppingTheOwnerAbortsItsRequestAtOnce) {
  RawHttpServer server([](const QByteArray&) -> RawHttpServer::Answer { return {{}, true}; });
  PageFetcher fetcher;
  Service owner, other;
  auto mine = fetcher.Fetch(server.base() + "/a", QStringLiteral("UTF-8"), 1024, &owner);
  auto theirs = fetcher.Fetch(server.base() + "/b", QStringLiteral("UTF-8"), 1024, &other);
  ASSERT_TRUE(QTest::qWaitFor([&] { return fetcher.pending() == 2; }, 5000));
  owner.Stop();
  EXPECT_TRUE(mine.isReady());
  EXPECT_FALSE(theirs.isReady());
  EXPECT_EQ(fetcher.pending(), 1);
  fetcher.Stop();  // and the fetcher's own stop ends the rest
  EXPECT_TRUE(theirs.isReady());
  EXPECT_FALSE(QCoro::waitFor(std::move(theirs)).has_value());
  // A stopped owner starts nothing new.
  const FetchResult refused =
      QCoro::waitFor(fetcher.Fetch(server.base() + "/c", QStringLiteral("UTF-8"), 1024, &owner));
  ASSERT_FALSE(refused.has_value());
  EXPECT_EQ(refused.error().kind, Error::Kind::kStopped);
  EXPECT_EQ(fetcher.pending(), 0);
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
