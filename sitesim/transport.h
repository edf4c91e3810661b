// The simulator's connection plumbing, shared by its sites: whole answers,
// the faults that take the connection itself (stall, truncate, drip, the gzip
// modes, raw garbage), and the listener that hands each new connection to
// QHttpServer or to that path.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "sitesim/site_simulator.h"

namespace talvec::sitesim {

inline const QByteArray kHtml = QByteArrayLiteral("text/html; charset=utf-8");
inline const QByteArray kText = QByteArrayLiteral("text/plain; charset=utf-8");
inline const QByteArray kJson = QByteArrayLiteral("application/json");

struct Reply {
  int status = 200;
  QByteArray body;
  QByteArray type = kHtml;
};

// Faults that need the connection itself (the QTcpServer path): QHttpServer
// 6.4 answers every request at once and always completely.
bool IsConnectionFault(const Fault& fault);
// The status line and headers of a whole answer, closing the connection.
QByteArray Serialize(const Reply& reply, qint64 content_length = -1, bool gzip = false);
QByteArray Garbage(quint64 seed, int size);
// A gzip stream (RFC 1952) of `prefix` followed by `filler` repeated until the
// whole input is `total` bytes (at least the prefix); empty when zlib fails.
QByteArray Gzip(const QByteArray& prefix, qint64 total = -1, const QByteArray& filler = {});
// Filler for the gzip bomb: list items, 64 KiB of them per piece.
QByteArray BombFiller();

// Hands each new connection either to QHttpServer (normal answers and the
// faults that are whole answers) or to the connection path of the simulator.
class ListenSocket : public QTcpServer {
 public:
  std::function<bool()> connection_fault;
  std::function<void(QTcpSocket*)> take;
  QList<QPointer<QTcpSocket>> http_sockets;

  // Closes the idle kept-alive connections, so the next request comes on a
  // new connection (which a connection fault then takes). Queued, so that a
  // request being answered right now still gets its answer first.
  void CloseHttpSockets() {
    for (const QPointer<QTcpSocket>& socket : std::as_const(http_sockets)) {
      if (!socket) continue;
      QMetaObject::invokeMethod(
          socket.data(),
          [socket] {
            if (socket) socket->disconnectFromHost();
          },
          Qt::QueuedConnection);
    }
    http_sockets.removeIf([](const QPointer<QTcpSocket>& s) { return s.isNull(); });
  }

 protected:
  void incomingConnection(qintptr descriptor) override {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
      delete socket;
      return;
    }
    if (connection_fault && connection_fault()) {
      take(socket);
      return;
    }
    http_sockets.removeIf([](const QPointer<QTcpSocket>& s) { return s.isNull(); });
    http_sockets.append(socket);
    addPendingConnection(socket);
  }
};

// One request on the connection path: reads the request head, then lets the
// simulator answer (or not) on the socket.
class Exchange : public QObject {
 public:
  Exchange(QTcpSocket* socket, QObject* parent,
           std::function<void(Exchange*, const QString&)> handle)
      : QObject(parent), socket_(socket), handle_(std::move(handle)) {
    socket_->setParent(this);
    connect(socket_, &QTcpSocket::readyRead, this, &Exchange::Read);
    connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
  }
  QTcpSocket* socket() const { return socket_; }

  void Send(const QByteArray& bytes, bool close) {
    if (socket_->state() != QAbstractSocket::ConnectedState) return;
    socket_->write(bytes);
    if (close) socket_->disconnectFromHost();
  }
  void Abort() { socket_->abort(); }

  // Sends `head` at once, then one byte of `body` every `interval_ms`, then
  // closes. The timer belongs to this object, so it dies with the connection.
  void Drip(const QByteArray& head, const QByteArray& body, int interval_ms) {
    Send(head, body.isEmpty());
    if (body.isEmpty()) return;
    drip_body_ = body;
    drip_sent_ = 0;
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, timer] {
      if (socket_->state() != QAbstractSocket::ConnectedState) {
        timer->stop();
        return;
      }
      socket_->write(drip_body_.constData() + drip_sent_, 1);
      if (++drip_sent_ >= drip_body_.size()) {
        timer->stop();
        socket_->disconnectFromHost();
      }
    });
    timer->start(interval_ms);
  }

 private:
  void Read() {
    if (done_) {
      socket_->readAll();
      return;
    }
    buffer_ += socket_->readAll();
    const qsizetype end = buffer_.indexOf("\r\n\r\n");
    if (end < 0 && buffer_.size() < 65536) return;
    done_ = true;
    const QByteArray line = buffer_.left(buffer_.indexOf("\r\n"));
    const QList<QByteArray> parts = line.split(' ');
    handle_(this, parts.size() >= 2 ? QString::fromUtf8(parts[1]) : QStringLiteral("/"));
  }

  QTcpSocket* socket_;
  std::function<void(Exchange*, const QString&)> handle_;
  QByteArray buffer_;
  bool done_ = false;
  QByteArray drip_body_;
  qsizetype drip_sent_ = 0;
};

}  // namespace talvec::sitesim
