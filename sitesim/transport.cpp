#include "sitesim/transport.h"

#include <zlib.h>

#include <algorithm>

#include "sitesim/site_data.h"

namespace talvec::sitesim {
namespace {

QByteArray StatusText(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

}  // namespace

bool IsConnectionFault(const Fault& fault) {
  switch (fault.mode) {
    case FaultMode::kStall:
    case FaultMode::kTruncate:
    case FaultMode::kDrip:
    case FaultMode::kGzipCut:
    case FaultMode::kGzipJunk:
    case FaultMode::kGzipBomb:
      return true;
    case FaultMode::kGarbage:
      return fault.arg != QLatin1String("body");
    default:
      return false;
  }
}

QByteArray Serialize(const Reply& reply, qint64 content_length, bool gzip) {
  QByteArray head =
      "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + StatusText(reply.status) + "\r\n";
  head += "Content-Type: " + reply.type + "\r\n";
  if (gzip) head += "Content-Encoding: gzip\r\n";
  head += "Content-Length: " +
          QByteArray::number(content_length < 0 ? reply.body.size() : content_length) + "\r\n";
  head += "Connection: close\r\n\r\n";
  return head;
}

QByteArray Garbage(quint64 seed, int size) {
  Rng rng(seed ^ 0xBADC0FFEEULL);
  QByteArray bytes(size, Qt::Uninitialized);
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(rng.Next() & 0xFF);
  bytes[0] = '\x89';  // never a status line
  return bytes;
}

QByteArray Gzip(const QByteArray& prefix, qint64 total, const QByteArray& filler) {
  z_stream z{};
  if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
    return {};
  QByteArray out;
  char buffer[65536];
  qint64 left = std::max<qint64>(0, total - prefix.size());
  if (filler.isEmpty()) left = 0;
  bool ok = true;
  auto feed = [&](const QByteArray& bytes, int flush) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    z.avail_in = static_cast<uInt>(bytes.size());
    do {
      z.next_out = reinterpret_cast<Bytef*>(buffer);
      z.avail_out = sizeof buffer;
      const int status = deflate(&z, flush);
      if (status == Z_STREAM_ERROR) {
        ok = false;
        return;
      }
      out.append(buffer, static_cast<qsizetype>(sizeof buffer - z.avail_out));
    } while (z.avail_out == 0);
  };
  feed(prefix, left > 0 ? Z_NO_FLUSH : Z_FINISH);
  while (ok && left > 0) {
    const QByteArray piece = left >= filler.size() ? filler : filler.left(left);
    left -= piece.size();
    feed(piece, left > 0 ? Z_NO_FLUSH : Z_FINISH);
  }
  deflateEnd(&z);
  return ok ? out : QByteArray();
}

QByteArray BombFiller() {
  const QByteArray item =
      QStringLiteral("<li>填充内容 filler text filler text filler text</li>\n").toUtf8();
  QByteArray piece;
  while (piece.size() + item.size() <= 65536) piece += item;
  return piece;
}

QString FaultName(FaultMode mode) {
  switch (mode) {
    case FaultMode::kNone:
      return QStringLiteral("none");
    case FaultMode::kRefuse:
      return QStringLiteral("refuse");
    case FaultMode::kErrorWords:
      return QStringLiteral("errorwords");
    case FaultMode::kStatus:
      return QStringLiteral("status");
    case FaultMode::kStall:
      return QStringLiteral("stall");
    case FaultMode::kTruncate:
      return QStringLiteral("truncate");
    case FaultMode::kOversize:
      return QStringLiteral("oversize");
    case FaultMode::kGarbage:
      return QStringLiteral("garbage");
    case FaultMode::kNoHeading:
      return QStringLiteral("noheading");
    case FaultMode::kNoPageInfo:
      return QStringLiteral("nopageinfo");
    case FaultMode::kDrip:
      return QStringLiteral("drip");
    case FaultMode::kGzipCut:
      return QStringLiteral("gzipcut");
    case FaultMode::kGzipJunk:
      return QStringLiteral("gzipjunk");
    case FaultMode::kGzipBomb:
      return QStringLiteral("gzipbomb");
  }
  return {};
}

std::optional<Fault> ParseFault(const QString& text) {
  const qsizetype colon = text.indexOf(u':');
  const QString name = (colon < 0 ? text : text.left(colon)).trimmed().toLower();
  Fault fault;
  fault.arg = colon < 0 ? QString() : text.mid(colon + 1).trimmed();
  if (name == QLatin1String("404") || name == QLatin1String("500")) {
    fault.mode = FaultMode::kStatus;
    fault.arg = name;
    return fault;
  }
  for (int m = 0; m <= static_cast<int>(kLastFaultMode); ++m) {
    if (FaultName(static_cast<FaultMode>(m)) == name) {
      fault.mode = static_cast<FaultMode>(m);
      return fault;
    }
  }
  if (name.isEmpty()) return fault;
  return std::nullopt;
}
}  // namespace talvec::sitesim
