// Counts the longest gap between ticks of a 10 ms timer: how long the
// event loop was kept from running while the measured work went on.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

struct GapMeter {
  GapMeter() {
    timer.setInterval(10);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout,
                     [this] { max_gap = std::max(max_gap, since.restart()); });
  }
  void Start() {
    max_gap = 0;
    since.start();
    timer.start();
  }
  qint64 Stop() {
    timer.stop();
    return max_gap;
  }
  QTimer timer;
  QElapsedTimer since;
  qint64 max_gap = 0;
};
