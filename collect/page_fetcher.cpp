#include "collect/page_fetcher.h"

#include <QLoggingCategory>
#include <QNetworkReply>
#include <QStringDecoder>
#include <memory>
#include <qcoronetworkreply.h>

Q_LOGGING_CATEGORY(lcFetch, "talvec.fetch")

namespace talvec {

namespace {

struct LaterDeleter {
  void operator()(QNetworkReply* reply) const {
    if (reply) reply->deleteLater();
  }
};

// A reply that carries an HTTP answer (any status) counts; errors of the
// connection, the transfer or the protocol do not.
bool IsTransportFailure(QNetworkReply::NetworkError error) {
  const int code = static_cast<int>(error);
  return code != 0 && (code < 200 || (code >= 300 && code < 400) || code >= 500);
}

}  // namespace

QString DecodeBody(const QByteArray& body, const QString& charset) {
  QStringDecoder decoder(charset.toLatin1().constData());
  if (!decoder.isValid()) return {};
  return decoder.decode(body);
}

PageFetcher::PageFetcher(QObject* parent) : QObject(parent) {
  manager_.setAutoDeleteReplies(false);
}

QCoro::Task<std::optional<QByteArray>> PageFetcher::FetchBytes(QString address) {
  const QUrl url(address);
  if (!url.isValid() || url.scheme().isEmpty()) co_return std::nullopt;
  QNetworkRequest request(url);
  request.setTransferTimeout(timeout_ms_);
  std::unique_ptr<QNetworkReply, LaterDeleter> reply(manager_.get(request));

  auto too_large = std::make_shared<bool>(false);
  const qint64 cap = max_body_;
  QNetworkReply* raw = reply.get();
  connect(raw, &QNetworkReply::downloadProgress, raw, [raw, cap, too_large](qint64 received, qint64 total) {
    if (received > cap || total > cap) {
      *too_large = true;
      raw->abort();
    }
  });
  if (!raw->isFinished()) co_await raw;  // bounded by the transfer timeout

  if (*too_large) {
    qCDebug(lcFetch) << "body over" << cap << "bytes:" << address;
    co_return std::nullopt;
  }
  if (IsTransportFailure(raw->error()) ||
      (raw->error() != QNetworkReply::NoError &&
       !raw->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())) {
    qCDebug(lcFetch) << "fetch failed:" << address << raw->errorString();
    co_return std::nullopt;
  }
  co_return raw->readAll();
}

QCoro::Task<QString> PageFetcher::FetchPage(QString address, QString charset) {
  const std::optional<QByteArray> body = co_await FetchBytes(std::move(address));
  if (!body || body->isEmpty()) co_return QString();
  co_return DecodeBody(*body, charset);
}

}  // namespace talvec
