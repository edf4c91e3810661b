// The maker's management server in the simulator: "/QYP/GetVersion.asp"
// answers the newest version (by default the program's own, so nothing is
// offered), "/QYP/Update.exe" delivers a signed update package from a
// file, and both can be switched and faulted by control requests:
//
//   /__sim/update?version=1.01.0021&package=/path/Update.exe&fault=MODE[:ARG]&times=N
//
// Faults of the package: stall (no answer, the connection held open),
// truncate[:BYTES] (the full Content-Length, half the body or BYTES, close),
// nolength (no Content-Length, the body, close), liar[:DELTA] (a
// Content-Length DELTA bytes off the truth, default -100), flip (one byte of
// the payload changed), otherkey (signed with another key), unsigned (no
// signature), throttle[:KIB_PER_S] (the body in pieces at that rate).
// times=N applies the fault to the next N package requests only.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrlQuery>
#include <memory>
#include <optional>

class QTcpSocket;

namespace talvec::sitesim {

struct ManagementReply {
  int status = 200;
  QByteArray body;
  QByteArray type;
};

enum class UpdateFault {
  kNone,
  kStall,
  kTruncate,
  kNoLength,
  kLiar,
  kFlip,
  kOtherKey,
  kUnsigned,
  kThrottle
};

class Management {
 public:
  // An empty version: the program's own.
  Management(QString version, QString package_path);
  ~Management();

  static bool IsVersionPath(const QString& path);
  static bool IsPackagePath(const QString& path);

  // The whole answer to one of the two paths (without transfer faults);
  // nothing for other paths.
  std::optional<ManagementReply> Answer(const QString& path);
  // A package request must go on the connection path (a transfer fault).
  bool NeedsConnection() const;
  // Answers a package request on the raw connection, with the transfer
  // fault; counts it against `times`.
  void Serve(QTcpSocket* socket);
  // /__sim/update.
  ManagementReply Control(const QUrlQuery& query);
  bool SetFault(const QString& text, int times);

  QString version() const { return version_; }
  qint64 packageRequests() const { return package_requests_; }

 private:
  UpdateFault ActiveFault() const;
  void CountFaultUse();
  std::optional<QByteArray> PackageBytes(UpdateFault fault);

  struct Keys;
  QString version_;
  QString package_path_;
  UpdateFault fault_ = UpdateFault::kNone;
  QString fault_arg_;
  int times_left_ = 0;  // 0: every request
  qint64 package_requests_ = 0;
  std::unique_ptr<Keys> keys_;
};

}  // namespace talvec::sitesim
