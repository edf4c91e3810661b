// The requests to end the program that come from outside it: SIGTERM (a
// log-out, a shutdown, `kill`), SIGINT (Ctrl+C in a terminal) and SIGHUP
// (the terminal closed). Each is turned into a signal on the UI thread, so
// that the program ends through its ordered shutdown, as when its main
// window is closed, instead of at once with its file open.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace talvec {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Takes the three signals over for as long as it lives (one object at a
  // time). Where there are no such signals it does nothing.
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 signals:
  // On the UI thread, once: a second request ends the process at once, as
  // it would without this object (a shutdown that hangs can still be ended).
  void received(int signal_number);

 private:
  void Read();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace talvec
