// An awaitable for a coroutine of a Service: resumes at the first of some
// signals, a time limit, or the service's Stop().
//
//   const int event = co_await Wake(this, 10000).On(reply, &QNetworkReply::readyRead)
//                                               .On(reply, &QNetworkReply::finished);
//
// gives 0 or 1 for the signals in the order named, Wake::kTimedOut or
// Wake::kStopped. It resumes inside the signal's emission; nothing of the
// awaiter is touched after that.
#pragma once

#include <QObject>
#include <QTimer>
#include <coroutine>
#include <functional>
#include <utility>
#include <vector>

#include "core/service.h"

namespace talvec {

class Wake {
 public:
  static constexpr int kTimedOut = -1;
  static constexpr int kStopped = -2;

  // ms < 0: no time limit.
  Wake(Service* service, int ms) : service_(service), ms_(ms) {}
  // Moved only before it waits (the compiler may move it into the
  // coroutine's frame); nothing refers to it until then.
  Wake(Wake&& other) noexcept
      : service_(other.service_), ms_(other.ms_), connectors_(std::move(other.connectors_)) {}
  Wake& operator=(Wake&&) = delete;
  ~Wake() { Disarm(); }

  template <typename Sender, typename Signal>
  Wake&& On(Sender* sender, Signal signal) && {
    const int index = static_cast<int>(connectors_.size());
    connectors_.push_back([sender, signal, index](Wake* wake) {
      return QObject::connect(sender, signal, sender, [wake, index] { wake->Fire(index); });
    });
    return std::move(*this);
  }

  bool await_ready() const noexcept { return service_->stopping(); }
  void await_suspend(std::coroutine_handle<> handle) {
    handle_ = handle;
    for (const auto& connect : connectors_) connections_.push_back(connect(this));
    connections_.push_back(
        QObject::connect(service_, &Service::stopRequested, service_, [this] { Fire(kStopped); }));
    if (ms_ >= 0) {
      timer_ = new QTimer(service_);
      timer_->setSingleShot(true);
      QObject::connect(timer_, &QTimer::timeout, service_, [this] { Fire(kTimedOut); });
      timer_->start(ms_);
    }
  }
  int await_resume() const noexcept { return service_->stopping() ? kStopped : event_; }

 private:
  void Fire(int event) {
    if (!handle_) return;
    event_ = event;
    Disarm();
    std::coroutine_handle<> handle = std::exchange(handle_, {});
    handle.resume();  // may destroy this awaiter
  }
  void Disarm() {
    for (const QMetaObject::Connection& c : connections_) QObject::disconnect(c);
    connections_.clear();
    if (timer_) {
      timer_->stop();
      timer_->deleteLater();  // it may be emitting right now
      timer_ = nullptr;
    }
  }

  Service* service_;
  int ms_;
  int event_ = kTimedOut;
  std::coroutine_handle<> handle_;
  std::vector<std::function<QMetaObject::Connection(Wake*)>> connectors_;
  std::vector<QMetaObject::Connection> connections_;
  QTimer* timer_ = nullptr;
};

}  // namespace talvec
