#include "core/service.h"

#include <QLoggingCategory>
#include <QTimerEvent>
#include <algorithm>

Q_LOGGING_CATEGORY(lcService, "talvec.service")

namespace talvec {

Service::Service(QObject* parent) : QObject(parent) {}

Service::~Service() {
  if (!waits_.empty()) {
    qCCritical(lcService) << objectName() << "destroyed with" << waits_.size()
                          << "waits pending; its subclass must Stop() first";
  }
}

void Service::PauseAwaiter::StartTimer(int ms) {
  timer_id_ = service_->startTimer(ms, Qt::PreciseTimer);
}

void Service::PauseAwaiter::Disconnect() {
  for (const QMetaObject::Connection& c : connections_) QObject::disconnect(c);
  connections_.clear();
}

void Service::PauseAwaiter::await_suspend(std::coroutine_handle<> handle) {
  handle_ = handle;
  StartTimer(ms_);
  service_->waits_.push_back(this);
}

void Service::SignalAwaiter::await_suspend(std::coroutine_handle<> handle) {
  handle_ = handle;
  // The first of the events turns the wait into a zero pause, so that the
  // coroutine goes on from the event loop once the emission is over.
  auto fire = [this] {
    Disconnect();
    StartTimer(0);
  };
  connections_.push_back(connect_signal_(service_, fire));
  connections_.push_back(QObject::connect(sender_, &QObject::destroyed, service_, fire));
  if (const auto* sender_service = qobject_cast<const Service*>(sender_)) {
    connections_.push_back(
        QObject::connect(sender_service, &Service::stopRequested, service_, fire));
  }
  service_->waits_.push_back(this);
}

void Service::timerEvent(QTimerEvent* event) {
  const auto it =
      std::find_if(waits_.begin(), waits_.end(),
                   [id = event->timerId()](PauseAwaiter* w) { return w->timer_id_ == id; });
  if (it == waits_.end()) {
    QObject::timerEvent(event);
    return;
  }
  PauseAwaiter* wait = *it;
  waits_.erase(it);
  killTimer(wait->timer_id_);
  wait->handle_.resume();
}

void Service::Stop() {
  if (stopping_) return;
  stopping_ = true;
  OnStop();
  emit stopRequested();
  // Each resumed coroutine sees stopping() and ends; none waits again.
  std::vector<PauseAwaiter*> pending;
  pending.swap(waits_);
  for (PauseAwaiter* wait : pending) {
    if (wait->timer_id_ != 0) killTimer(wait->timer_id_);
    wait->Disconnect();
  }
  for (PauseAwaiter* wait : pending) wait->handle_.resume();
}

}  // namespace talvec
