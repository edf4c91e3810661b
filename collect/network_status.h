// Whether the procurement site can be reached, the re-check that restores
// it, and the pulsing status light that shows what the program is doing.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <qcorotask.h>

namespace talvec {

class PageFetcher;

// An empty page or one carrying the site's error words is unusable.
bool IsUnusablePage(const QString& text);

// The level shared by the three pulses: +40 or -40 a tick, turning at the
// ends, limited to 0..255.
struct PulseState {
  int level = 0;
  bool falling = false;
};
int AdvancePulse(PulseState& state);

class NetworkStatus : public QObject {
  Q_OBJECT

 public:
  NetworkStatus(PageFetcher& fetcher, QString site_base_address, QObject* parent = nullptr);

  bool NetworkOk() const { return network_ok_; }
  void SetNetworkOk(bool ok);

  // Fetches the site's base address; true when the page is usable.
  QCoro::Task<bool> ProbeSite();
  // The probe of the main window's load: sets NetworkOk, or starts the
  // red pulse and the re-check.
  QCoro::Task<> StartupProbe();
  // A reader met an unusable page: NetworkOk off, red pulse and re-check on,
  // green pulse off.
  void NetworkLossReaction();
  // Resumes once NetworkOk is on (at once when it already is).
  QCoro::Task<> WaitForNetwork();

  void StartWorkingPulse();                 // green
  void StopWorkingPulse(bool hide_light);
  void StartSearchPulse();                  // blue
  void StopSearchPulse();

  PulseState& pulse() { return pulse_; }
  QTimer& timerCheckNet() { return TimerCheckNet; }
  QTimer& timer1() { return Timer1; }
  QTimer& timer2() { return Timer2; }
  QTimer& timer3() { return Timer3; }

 signals:
  void networkOkChanged(bool ok);
  // The light's state: shown or hidden, and its colour.
  void lightChanged(bool visible, int red, int green, int blue);

 private:
  void PulseTick(QTimer* timer);
  QCoro::Task<> RecheckTick();
  void SetLight(bool visible, int red = 0, int green = 0, int blue = 0);

  PageFetcher& fetcher_;
  QString site_base_address_;
  bool network_ok_ = false;
  bool rechecking_ = false;
  PulseState pulse_;
  QTimer TimerCheckNet;
  QTimer Timer1;
  QTimer Timer2;
  QTimer Timer3;
};

}  // namespace talvec
