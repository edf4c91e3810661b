// Starts build/bin/sitesim as a process of its own on a free port, so that
// its work does not count against the measured program, and waits until it
// serves: its base address ("http://127.0.0.1:PORT"), or "" when it did not
// start (what it said goes to stderr).
#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cstdio>

inline QString StartSimulator(QProcess& sim, const char* bench_name, QStringList extra = {}) {
  sim.setProcessChannelMode(QProcess::MergedChannels);
  sim.start(QStringLiteral(TALVEC_BIN_DIR "/sitesim"),
            QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                        QStringLiteral("--new-every"), QStringLiteral("0")} +
                extra);
  static const QRegularExpression serving(QStringLiteral("serving (http://[0-9.:]+)"));
  QString said;
  while (sim.waitForReadyRead(10000)) {
    said += QString::fromUtf8(sim.readAll());
    const QRegularExpressionMatch m = serving.match(said);
    if (m.hasMatch()) return m.captured(1);
  }
  std::fprintf(stderr, "%s: the simulator did not start: %s\n", bench_name, qPrintable(said));
  return {};
}
