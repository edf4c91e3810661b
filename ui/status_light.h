// The status light PicJD of the main window: a pulsing colour that shows
// what the program is doing. Green while a collection cycle or result
// analysis works, red while the site cannot be reached, blue while a search
// fills the list. The services only report; this class draws.
#pragma once

#include <QObject>
#include <QTimer>
#include <random>

class QWidget;

namespace talvec {

// The level shared by the three pulses: +40 or -40 a tick, turning at the
// ends, limited to 0..255.
struct PulseState {
  int level = 0;
  bool falling = false;
};
int AdvancePulse(PulseState& state);

class StatusLight : public QObject {
  Q_OBJECT

 public:
  static constexpr int kPulseMs = 80;

  // `light` is the widget whose background shows the colour.
  StatusLight(QWidget* light, QObject* parent = nullptr);

  void StartWorking();  // Timer1, green
  void StopWorking(bool hide_light);
  void StartSearch();  // Timer2, blue
  void StopSearch();
  // Red while the site cannot be reached; the green pulse stops with it.
  void SetUnreachable(bool unreachable);
  // A cycle starts the pulse from a pseudo-random level (the same sequence
  // in every run of the program).
  void StartCycle();

  PulseState& pulse() { return pulse_; }
  QTimer& timer1() { return Timer1; }
  QTimer& timer2() { return Timer2; }
  QTimer& timer3() { return Timer3; }

 private:
  void Tick(QTimer* timer);
  void Show(int red, int green, int blue);
  void Hide();
  void HideWhenIdle();

  QWidget* light_;
  PulseState pulse_;
  std::mt19937 random_;  // default seed, never reseeded
  QTimer Timer1;
  QTimer Timer2;
  QTimer Timer3;
};

}  // namespace talvec
