#include "core/termination.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cerrno>
#endif

Q_LOGGING_CATEGORY(lcTermination, "talvec.startup.signals")

namespace talvec {

#ifdef Q_OS_WIN

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {}
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::Read() {}

#else

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The handler may only write to a descriptor: the UI thread reads the other end.
int g_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signal_number) {
  const int saved = errno;
  const char byte = static_cast<char>(signal_number);
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[0], &byte, 1);
  errno = saved;
}

void SetHandlers(void (*handler)(int)) {
  for (int signal_number : kSignals) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (g_pipe[0] != -1) {
    qCWarning(lcTermination) << "signals already taken over";
    return;
  }
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) {
    qCWarning(lcTermination) << "no socket pair; the signals keep their defaults";
    g_pipe[0] = g_pipe[1] = -1;
    return;
  }
  notifier_ = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Read);
  SetHandlers(OnTerminationSignal);
}

TerminationSignals::~TerminationSignals() {
  if (!notifier_) return;
  SetHandlers(SIG_DFL);
  delete notifier_;
  ::close(g_pipe[0]);
  ::close(g_pipe[1]);
  g_pipe[0] = g_pipe[1] = -1;
}

void TerminationSignals::Read() {
  char byte = 0;
  if (::read(g_pipe[1], &byte, 1) != 1) return;
  // Once: the next request finds the default action again.
  SetHandlers(SIG_DFL);
  notifier_->setEnabled(false);
  qCInfo(lcTermination) << "signal" << int(byte) << "received: ending the program in order";
  emit received(byte);
}

#endif

}  // namespace talvec
