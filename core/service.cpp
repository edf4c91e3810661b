#include "core/service.h"

#include <QLoggingCategory>
#include <QTimerEvent>
#include <algorithm>

Q_LOGGING_CATEGORY(lcService, "talvec.service")

namespace talvec {

Service::Service(QObject* parent) : QObject(parent) {}

Service::~Service() {
  if (!pauses_.empty()) {
    qCCritical(lcService) << objectName() << "destroyed with" << pauses_.size()
                          << "waits pending; its subclass must Stop() first";
  }
}

void Service::PauseAwaiter::await_suspend(std::coroutine_handle<> handle) {
  handle_ = handle;
  timer_id_ = service_->startTimer(ms_, Qt::PreciseTimer);
  service_->pauses_.push_back(this);
}

void Service::timerEvent(QTimerEvent* event) {
  const auto it =
      std::find_if(pauses_.begin(), pauses_.end(),
                   [id = event->timerId()](PauseAwaiter* p) { return p->timer_id_ == id; });
  if (it == pauses_.end()) {
    QObject::timerEvent(event);
    return;
  }
  PauseAwaiter* pause = *it;
  pauses_.erase(it);
  killTimer(pause->timer_id_);
  pause->handle_.resume();
}

void Service::Stop() {
  if (stopping_) return;
  stopping_ = true;
  OnStop();
  emit stopRequested();
  // Each resumed coroutine sees stopping() and ends; none waits again.
  std::vector<PauseAwaiter*> pending;
  pending.swap(pauses_);
  for (PauseAwaiter* pause : pending) killTimer(pause->timer_id_);
  for (PauseAwaiter* pause : pending) pause->handle_.resume();
}

}  // namespace talvec
