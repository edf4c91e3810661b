// update_download: the updater's download of a 50 MB package from the site
// simulator (a separate process, build/bin/sitesim) on loopback, in chunks
// of 1024 bytes to a file beside the target: MB/s, and the longest gap
// between ticks of a 10 ms timer while it runs. Baseline: curl -o of the
// same address, and the timer's longest gap while the program idles.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <random>

#include "bench/gap_meter.h"
#include "updater/update_run.h"

namespace {

constexpr qint64 kBytes = 50LL * 1000 * 1000;

double MBps(qint64 bytes, qint64 ms) { return ms > 0 ? bytes / 1e6 / (ms / 1000.0) : 0.0; }

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  const QString package = dir.filePath(QStringLiteral("package.bin"));
  {
    QFile f(package);
    if (!f.open(QIODevice::WriteOnly)) return 1;
    std::mt19937_64 random(11);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 left = kBytes; left > 0; left -= block.size()) {
      for (qsizetype i = 0; i + 8 <= block.size(); i += 8) {
        const quint64 v = random();
        std::memcpy(block.data() + i, &v, 8);
      }
      f.write(block.constData(), std::min<qint64>(left, block.size()));
    }
  }
  QProcess sim;
  sim.setProcessChannelMode(QProcess::MergedChannels);
  sim.start(QStringLiteral(TALVEC_BIN_DIR "/sitesim"),
            {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--new-every"),
             QStringLiteral("0"), QStringLiteral("--update-package"), package});
  static const QRegularExpression serving(QStringLiteral("serving (http://[0-9.:]+)"));
  QString base, said;
  while (base.isEmpty() && sim.waitForReadyRead(10000)) {
    said += QString::fromUtf8(sim.readAll());
    const QRegularExpressionMatch m = serving.match(said);
    if (m.hasMatch()) base = m.captured(1);
  }
  if (base.isEmpty()) {
    std::fprintf(stderr, "update_download: the simulator did not start: %s\n", qPrintable(said));
    return 1;
  }
  const QString address = base + QStringLiteral("/QYP/Update.exe");

  // Baseline first: curl -o, the same address.
  const QString curl_file = dir.filePath(QStringLiteral("curl.bin"));
  QElapsedTimer clock;
  clock.start();
  const int curl_rc = QProcess::execute(
      QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), curl_file, address});
  const qint64 curl_ms = clock.elapsed();
  const qint64 curl_bytes = QFileInfo(curl_file).size();

  talvec::UpdaterOptions options;
  options.program_folder = dir.path();
  options.management_base = base;
  options.retry_ms = 10;
  options.failure_display_ms = 0;
  options.start_program = [](const QString&, const QString&) { return true; };
  talvec::UpdateRun run(options);
  GapMeter meter;
  qint64 download_ms = 0, gap = 0, written = 0, idle_gap = 0;
  QObject::connect(&run, &talvec::UpdateRun::transferState, [&](int state) {
    if (state == 1) {
      clock.restart();
      meter.Start();
    }
  });
  QObject::connect(&run, &talvec::UpdateRun::progress, [&](qint64 w, qint64) { written = w; });
  QObject::connect(&run, &talvec::UpdateRun::downloaded, [&] {
    download_ms = clock.elapsed();
    gap = meter.Stop();
  });
  // The package is not signed: the run ends at its check, after the download.
  QObject::connect(&run, &talvec::UpdateRun::finished, [&] {
    meter.Start();
    QTimer::singleShot(std::max<qint64>(download_ms, 1000), [&] {
      idle_gap = meter.Stop();
      app.quit();
    });
  });
  run.Start();
  app.exec();
  sim.terminate();
  sim.waitForFinished(5000);

  if (written != kBytes || curl_rc != 0 || curl_bytes != kBytes) {
    std::fprintf(stderr, "update_download: downloaded %lld bytes, curl %lld (rc %d) of %lld\n",
                 static_cast<long long>(written), static_cast<long long>(curl_bytes), curl_rc,
                 static_cast<long long>(kBytes));
    return 1;
  }
  const double ours = MBps(written, download_ms), theirs = MBps(curl_bytes, curl_ms);
  std::printf("update_download: %.1f MB/s; baseline curl_o: %.1f MB/s; ratio %.2f\n", ours, theirs,
              theirs > 0 ? ours / theirs : 0.0);
  std::printf("update_download_tick_gap: %lld ms; baseline idle_loop: %lld ms; ratio %.2f\n",
              static_cast<long long>(gap), static_cast<long long>(idle_gap),
              idle_gap > 0 ? static_cast<double>(gap) / idle_gap : 0.0);
  return gap <= 30 ? 0 : 1;
}
