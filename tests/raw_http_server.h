// A tiny HTTP server for tests that must control the bytes on the wire:
// stalls, truncated and oversized bodies, garbage. Listens on a free port.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>

namespace talvec::test_support {

class RawHttpServer : public QObject {
  Q_OBJECT

 public:
  // What to do with a request for `path`: the raw bytes to send, and whether
  // to hold the connection open (never answer) instead.
  struct Answer {
    QByteArray bytes;
    bool stall = false;
    bool close_after = true;
    // When above 0: everything up to the body at once, then one byte of the
    // body every drip_ms milliseconds.
    int drip_ms = 0;
  };
  using Handler = std::function<Answer(const QByteArray& path)>;

  explicit RawHttpServer(Handler handler);
  quint16 port() const { return server_.serverPort(); }
  QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
  int requests() const { return requests_; }

  static Answer Html(const QByteArray& body, int status = 200);

 private:
  void Serve(QTcpSocket* socket);

  QTcpServer server_;
  Handler handler_;
  int requests_ = 0;
};

}  // namespace talvec::test_support
