#include "net/page_fetcher.h"

#include <zlib.h>
#include <QLoggingCategory>
#include <QNetworkReply>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <coroutine>
#include <memory>
#include <optional>

Q_LOGGING_CATEGORY(lcFetch, "talvec.fetch")

namespace talvec {

namespace {

struct LaterDeleter {
  void operator()(QNetworkReply* reply) const {
    if (reply) reply->deleteLater();
  }
};

// Resumes on the reply's finished() directly, so that an abort resumes the
// waiting coroutine before abort() returns.
class ReplyFinished {
 public:
  explicit ReplyFinished(QNetworkReply* reply) : reply_(reply) {}
  bool await_ready() const noexcept { return !reply_ || reply_->isFinished(); }
  void await_suspend(std::coroutine_handle<> handle) {
    connection_ = QObject::connect(reply_, &QNetworkReply::finished, reply_, [this, handle] {
      QObject::disconnect(connection_);
      handle.resume();
    });
  }
  void await_resume() const noexcept {}

 private:
  QNetworkReply* reply_;
  QMetaObject::Connection connection_;
};

// The state of one request, shared with the reply's handlers.
struct Transfer {
  QByteArray body;
  std::optional<Error> failure;
};

// Inflates a gzip or zlib stream (raw deflate too, as some servers send
// for "deflate"). Nothing when the stream is broken, does not end, is
// followed by other bytes, or inflates past `max_bytes`.
std::optional<QByteArray> Inflate(const QByteArray& data, qint64 max_bytes, int window_bits) {
  z_stream z{};
  if (inflateInit2(&z, window_bits) != Z_OK) return std::nullopt;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
  z.avail_in = static_cast<uInt>(data.size());
  QByteArray out;
  char chunk[64 * 1024];
  int rc = Z_OK;
  while (rc == Z_OK) {
    z.next_out = reinterpret_cast<Bytef*>(chunk);
    z.avail_out = sizeof chunk;
    rc = inflate(&z, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END) break;
    out.append(chunk, static_cast<qsizetype>(sizeof chunk - z.avail_out));
    if (out.size() > max_bytes) {
      rc = Z_MEM_ERROR;
      break;
    }
    if (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0) break;  // input ends mid-stream
  }
  const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  if (!whole) return std::nullopt;
  return out;
}

// The body as the server meant it: compressed bodies are inflated here,
// strictly, rather than by the network layer, which takes a cut stream for
// a whole one.
Result<QByteArray> DecodeContent(const QByteArray& encoding, const QByteArray& body,
                                 qint64 max_bytes) {
  const QByteArray coding = encoding.trimmed().toLower();
  if (coding.isEmpty() || coding == "identity") return body;
  std::optional<QByteArray> plain;
  if (coding == "gzip" || coding == "x-gzip") {
    plain = Inflate(body, max_bytes, 16 + MAX_WBITS);
  } else if (coding == "deflate") {
    plain = Inflate(body, max_bytes, MAX_WBITS);
    if (!plain) plain = Inflate(body, max_bytes, -MAX_WBITS);
  } else {
    return Fail(Error::Kind::kBadData,
                QStringLiteral("不支持的内容编码: %1").arg(QString::fromLatin1(coding)));
  }
  if (!plain) {
    return Fail(Error::Kind::kBadData, QStringLiteral("压缩内容损坏或超过 %1 字节").arg(max_bytes));
  }
  return *std::move(plain);
}

Error TooLarge(qint64 max_bytes) {
  return MakeError(Error::Kind::kTooLarge, QStringLiteral("页面超过 %1 字节").arg(max_bytes));
}
Error Stopped() { return MakeError(Error::Kind::kStopped, QStringLiteral("已停止")); }

Result<QString> Logged(const QString& address, Result<QString> result) {
  if (!result) qCDebug(lcFetch) << "fetch failed:" << address << result.error().message;
  return result;
}

// What the finished reply gives: the decoded page, or why there is none.
Result<QString> ReadReply(QNetworkReply& reply, Transfer& transfer, const QString& charset,
                          qint64 max_bytes) {
  if (transfer.failure) return Fail(*transfer.failure);
  transfer.body += reply.readAll();
  const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
  const QNetworkReply::NetworkError error = reply.error();
  // An HTTP error status still carries a page (the site's error page); any
  // other error, decoding of a broken compressed body among them, means the
  // body is not what the server sent.
  if (error != QNetworkReply::NoError && (!status.isValid() || status.toInt() < 400)) {
    return Fail(Error::Kind::kNetwork,
                status.isValid()
                    ? QStringLiteral("HTTP %1: %2").arg(status.toInt()).arg(reply.errorString())
                    : reply.errorString(),
                QString(), status.isValid() ? status.toInt() : 0);
  }
  if (transfer.body.size() > max_bytes) return Fail(TooLarge(max_bytes));
  Result<QByteArray> plain =
      DecodeContent(reply.rawHeader("Content-Encoding"), transfer.body, max_bytes);
  if (!plain) return Fail(plain.error());
  if (plain->isEmpty()) {
    return Fail(Error::Kind::kNetwork, status.isValid()
                                           ? QStringLiteral("HTTP %1: 空白页面").arg(status.toInt())
                                           : QStringLiteral("空白页面"));
  }
  QString text = DecodeBody(*plain, charset);
  if (text.isEmpty()) {
    return Fail(Error::Kind::kBadData, QStringLiteral("无法解码为 %1").arg(charset));
  }
  return text;
}

}  // namespace

QString DecodeBody(const QByteArray& body, const QString& charset) {
  QStringDecoder decoder(charset.toLatin1().constData());
  if (!decoder.isValid()) return {};
  return decoder.decode(body);
}

PageFetcher::PageFetcher(QObject* parent) : Service(parent) {
  setObjectName(QStringLiteral("PageFetcher"));
  manager_.setAutoDeleteReplies(false);
}

PageFetcher::~PageFetcher() { Stop(); }

QCoro::Task<Result<QString>> PageFetcher::Fetch(QString address, QString charset, qint64 max_bytes,
                                                Service* owner) {
  if (stopping() || (owner && owner->stopping())) co_return Fail(Stopped());
  const QUrl url(address);
  if (!url.isValid() || url.scheme().isEmpty()) {
    co_return Fail(Error::Kind::kBadData, QStringLiteral("地址无效: %1").arg(address));
  }
  QNetworkRequest request(url);
  request.setTransferTimeout(timeout_ms_);
  // Named here, so that the network layer leaves the body as sent and it
  // is inflated (and checked) below.
  request.setRawHeader("Accept-Encoding", "gzip, deflate");
  std::unique_ptr<QNetworkReply, LaterDeleter> reply(manager_.get(request));
  QNetworkReply* raw = reply.get();
  auto transfer = std::make_shared<Transfer>();
  auto fail = [raw, transfer](Error why) {
    if (!transfer->failure) transfer->failure = std::move(why);
    raw->abort();
  };
  // The body is read as it arrives, so the cap is enforced before the bytes
  // pile up; it applies again after inflating.
  connect(raw, &QNetworkReply::readyRead, raw, [raw, transfer, max_bytes, fail] {
    transfer->body += raw->readAll();
    if (transfer->body.size() > max_bytes) fail(TooLarge(max_bytes));
  });
  QTimer::singleShot(deadline_ms_, raw, [fail, ms = deadline_ms_] {
    fail(MakeError(Error::Kind::kNetwork, QStringLiteral("请求超过 %1 秒未完成").arg(ms / 1000)));
  });
  connect(this, &Service::stopRequested, raw, [fail] { fail(Stopped()); });
  if (owner) connect(owner, &Service::stopRequested, raw, [fail] { fail(Stopped()); });

  ++pending_;
  co_await ReplyFinished(raw);
  --pending_;

  co_return Logged(address, ReadReply(*raw, *transfer, charset, max_bytes));
}

}  // namespace talvec
