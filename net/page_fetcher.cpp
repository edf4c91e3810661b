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
  QString failure;
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
std::optional<QByteArray> DecodeContent(const QByteArray& encoding, const QByteArray& body,
                                        qint64 max_bytes, QString* failure) {
  const QByteArray coding = encoding.trimmed().toLower();
  if (coding.isEmpty() || coding == "identity") return body;
  std::optional<QByteArray> plain;
  if (coding == "gzip" || coding == "x-gzip") {
    plain = Inflate(body, max_bytes, 16 + MAX_WBITS);
  } else if (coding == "deflate") {
    plain = Inflate(body, max_bytes, MAX_WBITS);
    if (!plain) plain = Inflate(body, max_bytes, -MAX_WBITS);
  } else {
    *failure = QStringLiteral("不支持的内容编码: %1").arg(QString::fromLatin1(coding));
    return std::nullopt;
  }
  if (!plain) *failure = QStringLiteral("压缩内容损坏或超过 %1 字节").arg(max_bytes);
  return plain;
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

QCoro::Task<FetchResult> PageFetcher::Fetch(QString address, QString charset, qint64 max_bytes,
                                            Service* owner) {
  QPointer<Service> owner_guard(owner);
  if (stopping() || (owner && owner->stopping()))
    co_return FetchResult{{}, QStringLiteral("已停止")};
  const QUrl url(address);
  if (!url.isValid() || url.scheme().isEmpty()) {
    co_return FetchResult{{}, QStringLiteral("地址无效: %1").arg(address)};
  }
  QNetworkRequest request(url);
  request.setTransferTimeout(timeout_ms_);
  // Named here, so that the network layer leaves the body as sent and it
  // is inflated (and checked) below.
  request.setRawHeader("Accept-Encoding", "gzip, deflate");
  std::unique_ptr<QNetworkReply, LaterDeleter> reply(manager_.get(request));
  QNetworkReply* raw = reply.get();
  auto transfer = std::make_shared<Transfer>();
  auto fail = [raw, transfer](const QString& why) {
    if (transfer->failure.isEmpty()) transfer->failure = why;
    raw->abort();
  };
  // The body is read as it arrives, so the cap is enforced before the bytes
  // pile up; it applies again after inflating.
  connect(raw, &QNetworkReply::readyRead, raw, [raw, transfer, max_bytes, fail] {
    transfer->body += raw->readAll();
    if (transfer->body.size() > max_bytes) {
      fail(QStringLiteral("页面超过 %1 字节").arg(max_bytes));
    }
  });
  QTimer::singleShot(deadline_ms_, raw, [fail, ms = deadline_ms_] {
    fail(QStringLiteral("请求超过 %1 秒未完成").arg(ms / 1000));
  });
  connect(this, &Service::stopRequested, raw, [fail] { fail(QStringLiteral("已停止")); });
  if (owner)
    connect(owner, &Service::stopRequested, raw, [fail] { fail(QStringLiteral("已停止")); });

  ++pending_;
  co_await ReplyFinished(raw);
  --pending_;

  FetchResult result;
  if (transfer->failure.isEmpty()) {
    transfer->body += raw->readAll();
    const QVariant status = raw->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const QNetworkReply::NetworkError error = raw->error();
    // An HTTP error status still carries a page (the site's error page);
    // any other error, decoding of a broken compressed body among them,
    // means the body is not what the server sent.
    if (error != QNetworkReply::NoError && (!status.isValid() || status.toInt() < 400)) {
      transfer->failure =
          status.isValid()
              ? QStringLiteral("HTTP %1: %2").arg(status.toInt()).arg(raw->errorString())
              : raw->errorString();
    } else if (transfer->body.size() > max_bytes) {
      transfer->failure = QStringLiteral("页面超过 %1 字节").arg(max_bytes);
    } else if (std::optional<QByteArray> plain =
                   DecodeContent(raw->rawHeader("Content-Encoding"), transfer->body, max_bytes,
                                 &transfer->failure);
               !plain) {
      // failure says why
    } else if ((transfer->body = std::move(*plain)).isEmpty()) {
      transfer->failure = status.isValid() ? QStringLiteral("HTTP %1: 空白页面").arg(status.toInt())
                                           : QStringLiteral("空白页面");
    } else {
      result.text = DecodeBody(transfer->body, charset);
      if (result.text.isEmpty()) transfer->failure = QStringLiteral("无法解码为 %1").arg(charset);
    }
  }
  result.failure = transfer->failure;
  if (!result.failure.isEmpty()) {
    result.text.clear();
    qCDebug(lcFetch) << "fetch failed:" << address << result.failure;
  }
  co_return result;
}

QCoro::Task<QString> PageFetcher::FetchPage(QString address, QString charset, qint64 max_bytes,
                                            Service* owner) {
  const FetchResult result =
      co_await Fetch(std::move(address), std::move(charset), max_bytes, owner);
  co_return result.text;
}

}  // namespace talvec
