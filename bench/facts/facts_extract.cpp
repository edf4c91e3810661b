// facts_extract: the key facts of one national-format announcement page of
// 30 to 60 KB (a tender page of the simulator), as CPU time per page.
// Baseline: what a user would otherwise write, BeautifulSoup's text of the
// page and the same label rules with Python's re (facts_extract_baseline.py).
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryFile>
#include <cstdio>
#include <ctime>

#include "facts/extraction.h"
#include "sitesim/site_simulator.h"

namespace {

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const bool with_baseline = !app.arguments().contains(QStringLiteral("--no-baseline"));
  talvec::sitesim::Options options;
  options.seed = 7;
  options.today = QDate(2026, 12, 8);
  options.new_every_seconds = 0;
  talvec::sitesim::SiteSimulator sim(options);
  // The first tender page in the national paragraph layout of the size.
  QByteArray page;
  talvec::sitesim::Announcement chosen;
  for (int type : {2, 7}) {
    for (const talvec::sitesim::Announcement& a : sim.Announcements(type)) {
      const QByteArray body = sim.Page(a.address);
      if (body.size() >= 30000 && body.size() <= 60000 && !a.facts.deadline.isEmpty() &&
          a.facts.variant.startsWith(QLatin1String("paragraphs"))) {
        page = body;
        chosen = a;
        break;
      }
    }
    if (!page.isEmpty()) break;
  }
  if (page.isEmpty()) {
    std::fprintf(stderr, "facts_extract: no page of 30 to 60 KB\n");
    return 1;
  }
  const QString html = QString::fromUtf8(page);
  const QString title = chosen.title.trimmed();

  // Decoding is the fetcher's part; the reading starts from the text.
  talvec::PageFacts facts;
  for (int i = 0; i < 20; ++i) facts = talvec::ExtractFacts(html, title);
  const int runs = 2000;
  const double start = CpuSeconds();
  for (int i = 0; i < runs; ++i) facts = talvec::ExtractFacts(html, title);
  const double ours_us = (CpuSeconds() - start) * 1e6 / runs;
  if (facts.deadline != chosen.facts.deadline || facts.budget != chosen.facts.budget ||
      facts.buyer != chosen.facts.buyer || facts.project_key != chosen.facts.project_key) {
    std::fprintf(stderr, "facts_extract: the page read wrong\n");
    return 1;
  }

  QString baseline = QStringLiteral("n/a");
  double baseline_us = 0;
  QTemporaryFile file;
  if (with_baseline && file.open() && file.write(page) == page.size() && file.flush()) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(TALVEC_BENCH_SOURCE_DIR "/facts_extract_baseline.py"),
                  file.fileName(), QStringLiteral("100")});
    if (python.waitForFinished(10 * 60 * 1000) && python.exitCode() == 0) {
      const QStringList said = QString::fromUtf8(python.readAllStandardOutput()).split(u'\n');
      bool ok = false;
      baseline_us = said.value(0).toDouble(&ok);
      if (ok) baseline = QString::number(baseline_us, 'f', 1);
      std::fprintf(stderr, "facts_extract: python read %s\n", qPrintable(said.value(1)));
    } else {
      std::fprintf(stderr, "facts_extract: baseline failed: %s\n",
                   python.readAllStandardError().constData());
    }
  }
  std::fprintf(stderr, "facts_extract: page of %lld bytes (%s), read %s %s %s\n",
               static_cast<long long>(page.size()), qPrintable(chosen.address),
               qPrintable(facts.deadline), qPrintable(facts.project_key),
               facts.budget ? qPrintable(QString::number(*facts.budget, 'f', 0)) : "-");
  std::printf("facts_extract: %.1f us; baseline python_bs4_re: %s us; ratio %s\n", ours_us,
              qPrintable(baseline),
              baseline_us > 0 ? qPrintable(QString::number(baseline_us / ours_us, 'f', 1)) : "n/a");
  return 0;
}
