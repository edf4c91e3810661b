// A long-lived background service of the program (collection, analysis,
// network status, ...). Its coroutines wait only in three ways: in Pause(),
// in SignalOrStop(), or on a network reply that is aborted when the service
// stops. Stop() puts the service into its stopping state and resumes every
// one of those waits at once, so each coroutine sees stopping() right after
// its co_await and ends before the service or anything it uses goes away.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <coroutine>
#include <functional>
#include <vector>

namespace talvec {

class Service : public QObject {
  Q_OBJECT

 public:
  explicit Service(QObject* parent = nullptr);
  // A subclass calls Stop() in its own destructor, while its members still
  // live; this one only checks that it did.
  ~Service() override;

  bool stopping() const { return stopping_; }
  // Sets the stopping state, emits stopRequested() (replies connected to it
  // are aborted) and resumes every pending wait. Idempotent.
  void Stop();

  // Waits `ms` milliseconds (0: one turn of the event loop), or until Stop().
  // The co_await gives true while the service runs, false once it stops.
  class PauseAwaiter {
   public:
    PauseAwaiter(Service* service, int ms) : service_(service), ms_(ms) {}
    bool await_ready() const noexcept { return service_->stopping_; }
    void await_suspend(std::coroutine_handle<> handle);
    bool await_resume() const noexcept { return !service_->stopping_; }

   protected:
    friend class Service;
    // Resumes the coroutine from the event loop after `ms`.
    void StartTimer(int ms);
    void Disconnect();

    Service* service_;
    int ms_;
    int timer_id_ = 0;
    std::coroutine_handle<> handle_;
    std::vector<QMetaObject::Connection> connections_;
  };
  PauseAwaiter Pause(int ms) { return PauseAwaiter(this, ms); }

  // Waits until `sender` emits `signal`, or `sender` is destroyed (or, being
  // a service itself, stops), or this service stops. The coroutine resumes
  // from the event loop, never inside the emission. The co_await gives true
  // while this service runs, false once it stops; the caller tests what it
  // waited for again.
  class SignalAwaiter : public PauseAwaiter {
   public:
    template <typename Sender, typename Signal>
    SignalAwaiter(Service* service, const Sender* sender, Signal signal)
        : PauseAwaiter(service, 0),
          sender_(sender),
          connect_signal_([sender, signal](QObject* context, std::function<void()> fire) {
            return QObject::connect(sender, signal, context, std::move(fire));
          }) {}
    void await_suspend(std::coroutine_handle<> handle);

   private:
    const QObject* sender_;
    std::function<QMetaObject::Connection(QObject*, std::function<void()>)> connect_signal_;
  };
  template <typename Sender, typename Signal>
  SignalAwaiter SignalOrStop(const Sender* sender, Signal signal) {
    return SignalAwaiter(this, sender, signal);
  }

 signals:
  // Emitted once, synchronously, by Stop().
  void stopRequested();

 protected:
  void timerEvent(QTimerEvent* event) override;
  // Called by Stop() after the state is set and before waits resume.
  virtual void OnStop() {}

 private:
  std::vector<PauseAwaiter*> waits_;
  bool stopping_ = false;
};

}  // namespace talvec
