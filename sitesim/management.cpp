#include "sitesim/management.h"

#include <QFile>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include "core/startup.h"
#include "updater/package.h"

namespace talvec::sitesim {

struct Management::Keys {
  std::optional<package::SigningKey> other;  // made when first needed
};

namespace {

const QByteArray kBinary = QByteArrayLiteral("application/octet-stream");

QByteArray Head(qint64 length) {
  QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n";
  if (length >= 0) head += "Content-Length: " + QByteArray::number(length) + "\r\n";
  return head + "Connection: close\r\n\r\n";
}

}  // namespace

Management::Management(QString version, QString package_path)
    : version_(version.isEmpty() ? ProgramVersionString() : std::move(version)),
      package_path_(std::move(package_path)),
      keys_(std::make_unique<Keys>()) {}

Management::~Management() = default;

bool Management::IsVersionPath(const QString& path) {
  return path.compare(QLatin1String("/QYP/GetVersion.asp"), Qt::CaseInsensitive) == 0;
}
bool Management::IsPackagePath(const QString& path) {
  return path.compare(QLatin1String("/QYP/Update.exe"), Qt::CaseInsensitive) == 0;
}

UpdateFault Management::ActiveFault() const { return fault_; }

void Management::CountFaultUse() {
  if (fault_ == UpdateFault::kNone || times_left_ == 0) return;
  if (--times_left_ == 0) fault_ = UpdateFault::kNone;
}

std::optional<QByteArray> Management::PackageBytes(UpdateFault fault) {
  QFile file(package_path_);
  if (package_path_.isEmpty() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
  QByteArray bytes = file.readAll();
  switch (fault) {
    case UpdateFault::kFlip: {
      const qsizetype payload = package::Payload(bytes).size();
      if (payload > 0) bytes[payload / 2] = static_cast<char>(bytes[payload / 2] ^ 0x01);
      break;
    }
    case UpdateFault::kOtherKey:
      if (!keys_->other) keys_->other = package::SigningKey::Generate();
      if (keys_->other) bytes = keys_->other->SignPackage(package::Payload(bytes));
      break;
    case UpdateFault::kUnsigned:
      bytes = package::Payload(bytes).toByteArray();
      break;
    default:
      break;
  }
  return bytes;
}

std::optional<ManagementReply> Management::Answer(const QString& path) {
  if (IsVersionPath(path))
    return ManagementReply{200, version_.toUtf8(), "text/html; charset=utf-8"};
  if (!IsPackagePath(path)) return std::nullopt;
  ++package_requests_;
  const UpdateFault fault = ActiveFault();
  const bool content_fault = fault == UpdateFault::kFlip || fault == UpdateFault::kOtherKey ||
                             fault == UpdateFault::kUnsigned;
  std::optional<QByteArray> bytes = PackageBytes(content_fault ? fault : UpdateFault::kNone);
  if (content_fault) CountFaultUse();
  if (!bytes) return ManagementReply{404, "no update package\n", "text/plain"};
  return ManagementReply{200, std::move(*bytes), kBinary};
}

bool Management::NeedsConnection() const {
  switch (fault_) {
    case UpdateFault::kStall:
    case UpdateFault::kTruncate:
    case UpdateFault::kNoLength:
    case UpdateFault::kLiar:
    case UpdateFault::kThrottle:
      return true;
    default:
      return false;
  }
}

void Management::Serve(QTcpSocket* socket) {
  ++package_requests_;
  const UpdateFault fault = fault_;
  const QString arg = fault_arg_;
  CountFaultUse();
  std::optional<QByteArray> found = PackageBytes(UpdateFault::kNone);
  if (!found) {
    socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
    return;
  }
  const QByteArray bytes = std::move(*found);
  switch (fault) {
    case UpdateFault::kStall:
      return;  // the connection stays open and silent until the client leaves
    case UpdateFault::kTruncate: {
      const qsizetype sent = arg.isEmpty()
                                 ? bytes.size() / 2
                                 : std::clamp<qsizetype>(arg.toLongLong(), 0, bytes.size() - 1);
      socket->write(Head(bytes.size()) + bytes.left(sent));
      break;
    }
    case UpdateFault::kNoLength:
      socket->write(Head(-1) + bytes);
      break;
    case UpdateFault::kLiar: {
      const qint64 delta = arg.isEmpty() ? -100 : arg.toLongLong();
      socket->write(Head(std::max<qint64>(0, bytes.size() + delta)) + bytes);
      break;
    }
    case UpdateFault::kThrottle: {
      // Pieces of a tenth of the rate, ten times a second.
      const qint64 piece =
          std::max<qint64>(1, (arg.isEmpty() ? 512 : arg.toLongLong()) * 1024 / 10);
      socket->write(Head(bytes.size()));
      auto* timer = new QTimer(socket);
      auto sent = std::make_shared<qint64>(0);
      QPointer<QTcpSocket> guard(socket);
      QObject::connect(timer, &QTimer::timeout, socket, [guard, timer, bytes, sent, piece] {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState) {
          timer->stop();
          return;
        }
        const qint64 n = std::min<qint64>(piece, bytes.size() - *sent);
        guard->write(bytes.constData() + *sent, n);
        *sent += n;
        if (*sent >= bytes.size()) {
          timer->stop();
          guard->disconnectFromHost();
        }
      });
      timer->start(100);
      return;
    }
    default:
      socket->write(Head(bytes.size()) + bytes);
      break;
  }
  socket->disconnectFromHost();
}

bool Management::SetFault(const QString& text, int times) {
  static const std::pair<const char*, UpdateFault> kNames[] = {
      {"none", UpdateFault::kNone},         {"stall", UpdateFault::kStall},
      {"truncate", UpdateFault::kTruncate}, {"nolength", UpdateFault::kNoLength},
      {"liar", UpdateFault::kLiar},         {"flip", UpdateFault::kFlip},
      {"otherkey", UpdateFault::kOtherKey}, {"unsigned", UpdateFault::kUnsigned},
      {"throttle", UpdateFault::kThrottle},
  };
  const qsizetype colon = text.indexOf(u':');
  const QString name = (colon < 0 ? text : text.left(colon)).trimmed().toLower();
  for (const auto& [n, mode] : kNames) {
    if (name == QLatin1String(n)) {
      fault_ = mode;
      fault_arg_ = colon < 0 ? QString() : text.mid(colon + 1).trimmed();
      times_left_ = std::max(0, times);
      return true;
    }
  }
  return false;
}

ManagementReply Management::Control(const QUrlQuery& query) {
  if (query.hasQueryItem(QStringLiteral("version"))) {
    const QString version = query.queryItemValue(QStringLiteral("version"), QUrl::FullyDecoded);
    version_ = version.isEmpty() ? ProgramVersionString() : version;
  }
  if (query.hasQueryItem(QStringLiteral("package"))) {
    package_path_ = query.queryItemValue(QStringLiteral("package"), QUrl::FullyDecoded);
  }
  if (query.hasQueryItem(QStringLiteral("fault")) &&
      !SetFault(query.queryItemValue(QStringLiteral("fault")),
                query.queryItemValue(QStringLiteral("times")).toInt())) {
    return ManagementReply{400, "unknown update fault\n", "text/plain"};
  }
  return ManagementReply{200,
                         ("version " + version_ + "\npackage " + package_path_ + "\nrequests " +
                          QString::number(package_requests_) + '\n')
                             .toUtf8(),
                         "text/plain; charset=utf-8"};
}

}  // namespace talvec::sitesim
