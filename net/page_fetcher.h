// The one way the program reads a web page: an HTTP GET whose body is
// decoded as text. Every failure gives the empty text; the reason is kept
// for the log and for whoever shows the user what went wrong.
#pragma once

#include <qcorotask.h>
#include <QNetworkAccessManager>
#include <QString>

#include "core/error.h"
#include "core/service.h"

namespace talvec {

// Decodes bytes in the named character set; an unknown set gives "".
// Invalid sequences become U+FFFD and a leading byte-order mark is dropped.
QString DecodeBody(const QByteArray& body, const QString& charset);

// The decoded body, or why nothing usable came back.
using FetchResult = Result<QString>;

class PageFetcher : public Service {
  Q_OBJECT

 public:
  // No byte for this long ends a transfer.
  static constexpr int kTransferTimeoutMs = 30000;
  // Nor may a request take longer than this as a whole (a server that
  // drips a byte every few seconds never trips the transfer timeout).
  static constexpr int kDeadlineMs = 30000;
  // Body caps by the kind of page, counted after decompression. Real list
  // pages are tens of kilobytes, result pages rarely a few hundred.
  static constexpr qint64 kListPageBytes = 2 << 20;
  static constexpr qint64 kResultPageBytes = 4 << 20;

  explicit PageFetcher(QObject* parent = nullptr);
  ~PageFetcher() override;

  // GET `address`; the body whatever the HTTP status, or an error when the
  // request fails, stalls, passes the deadline (kNetwork), exceeds
  // `max_bytes` (kTooLarge), its content cannot be decoded (kBadData), or
  // the fetcher or `owner` stops (kStopped). The request is aborted when
  // `owner` (or the fetcher) stops, so the owner's coroutine resumes at once.
  QCoro::Task<FetchResult> Fetch(QString address, QString charset, qint64 max_bytes,
                                 Service* owner);

  // Test seams: shorter bounds.
  void SetTransferTimeout(int ms) { timeout_ms_ = ms; }
  void SetDeadline(int ms) { deadline_ms_ = ms; }
  // Requests started and not yet finished.
  int pending() const { return pending_; }

 private:
  QNetworkAccessManager manager_;
  int timeout_ms_ = kTransferTimeoutMs;
  int deadline_ms_ = kDeadlineMs;
  int pending_ = 0;
};

}  // namespace talvec
