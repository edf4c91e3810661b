#include "tests/raw_http_server.h"

#include <QTimer>
#include <memory>

namespace talvec::test_support {

RawHttpServer::RawHttpServer(Handler handler) : handler_(std::move(handler)) {
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Serve(socket); });
      connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
  server_.listen(QHostAddress::LocalHost, 0);
}

RawHttpServer::Answer RawHttpServer::Html(const QByteArray& body, int status) {
  return {"HTTP/1.1 " + QByteArray::number(status) +
          " X\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
          QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body};
}

void RawHttpServer::Serve(QTcpSocket* socket) {
  QByteArray request = socket->property("request").toByteArray() + socket->readAll();
  socket->setProperty("request", request);
  if (!request.contains("\r\n\r\n") || socket->property("answered").toBool()) return;
  socket->setProperty("answered", true);
  ++requests_;
  const QList<QByteArray> first = request.left(request.indexOf("\r\n")).split(' ');
  const Answer answer = handler_(first.size() > 1 ? first.at(1) : QByteArray("/"));
  if (answer.stall) return;  // hold the connection, say nothing
  if (answer.drip_ms > 0) {
    const qsizetype head = answer.bytes.indexOf("\r\n\r\n") + 4;
    socket->write(answer.bytes.left(head));
    auto* drip = new QTimer(socket);
    auto rest = std::make_shared<QByteArray>(answer.bytes.mid(head));
    connect(drip, &QTimer::timeout, socket, [socket, drip, rest, close = answer.close_after] {
      if (rest->isEmpty()) {
        drip->stop();
        if (close) socket->disconnectFromHost();
        return;
      }
      socket->write(rest->left(1));
      rest->remove(0, 1);
    });
    drip->start(answer.drip_ms);
    return;
  }
  socket->write(answer.bytes);
  if (answer.close_after) socket->disconnectFromHost();
}

}  // namespace talvec::test_support
