// The one way the program reads a web page: an HTTP GET whose body is
// decoded as text. Every failure gives the empty text.
#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <qcorotask.h>

namespace talvec {

// Decodes bytes in the named character set; an unknown set gives "".
// Invalid sequences become U+FFFD and a leading byte-order mark is dropped.
QString DecodeBody(const QByteArray& body, const QString& charset);

class PageFetcher : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTransferTimeoutMs = 30000;
  static constexpr qint64 kMaxBodyBytes = 16 << 20;

  explicit PageFetcher(QObject* parent = nullptr);

  // GET `address`; the body whatever the HTTP status, or "" when the
  // request fails, stalls past the timeout, or the body exceeds the cap.
  QCoro::Task<QString> FetchPage(QString address, QString charset);
  // The raw body, or nothing on failure (same bounds).
  QCoro::Task<std::optional<QByteArray>> FetchBytes(QString address);

  void SetTransferTimeout(int ms) { timeout_ms_ = ms; }
  void SetMaxBodyBytes(qint64 bytes) { max_body_ = bytes; }
  int transferTimeout() const { return timeout_ms_; }
  QNetworkAccessManager& manager() { return manager_; }

 private:
  QNetworkAccessManager manager_;
  int timeout_ms_ = kTransferTimeoutMs;
  qint64 max_body_ = kMaxBodyBytes;
};

}  // namespace talvec
