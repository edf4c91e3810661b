// search_range: a 31-day search on a List of 1,000,000 rows (300,000 of
// them with key facts), from the click on the search button to a filled,
// scrollable result list. Baseline: the same query through the sqlcipher
// command-line tool on the same file. Then the fill alone, with the facts'
// columns read, beside the same fill with nothing to read for them.
#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <cstdio>

#include "bench/facts/bench_facts.h"
#include "bench/search/bench_titles.h"
#include "core/app_context.h"
#include "core/database.h"
#include "core/schema.h"
#include "core/settings.h"
#include "search/search_query.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/search_ui.h"
#include "ui/viewer.h"

using talvec::bench::BenchTitle;
using talvec::bench::MedianMs;

namespace {

constexpr int kRows = 1000000;
constexpr int kRowsPerDay = 1000;
const QDate kLastDay(2026, 11, 30);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString path =
      talvec::bench::EnsureBenchList("search_range", kRows, kRowsPerDay, kLastDay, BenchTitle);
  if (path.isEmpty()) return 1;

  talvec::Database db;
  if (!db.OpenDatabase(path, talvec::DatabasePassword()) ||
      !talvec::bench::EnsureBenchFacts(db, "search_range", 100000, kRows, kRowsPerDay, kLastDay)) {
    return 1;
  }
  talvec::AppContext context;
  context.db = &db;
  talvec::LoadSystemSettings(db, &context.settings);
  context.os_name = QStringLiteral("WindosXP");

  QMainWindow window;
  auto* frame = new QWidget(&window);
  window.setCentralWidget(frame);
  auto* bar = new QWidget(frame);
  bar->setGeometry(6, 11, 1323, 104);
  window.resize(1340, 827);
  talvec::Viewer viewer(&window);
  talvec::SearchUi ui(context, viewer, nullptr, &window, frame, bar);
  ui.InitDatePickers();
  ui.SetupColumns();
  window.show();
  ui.panel()->Option13->click();
  const QDate from = kLastDay.addDays(-30);
  ui.panel()->DTPicker1->setDate(from);
  ui.panel()->DTPicker2->setDate(kLastDay);

  talvec::ResultListView* list = ui.ListView2();
  bool scrollable = false;
  const double ours = MedianMs(5, [&] {
    QElapsedTimer t;
    t.start();
    ui.panel()->CMDCX->click();
    QCoreApplication::processEvents();
    list->viewport()->repaint();
    const double ms = t.nsecsElapsed() / 1e6;
    scrollable = list->verticalScrollBar()->maximum() > 0;
    return ms;
  });
  const int rows = list->model()->rowCount();
  // Where the time goes: the read alone, then the fill alone.
  talvec::SearchRequest request = ui.panel()->Request(kLastDay);
  request.os_name = context.os_name;
  auto read = std::make_shared<talvec::ResultSet>();
  const double read_ms = MedianMs(5, [&] {
    QElapsedTimer t;
    t.start();
    talvec::RunSearchQuery(db, request, read.get());
    return t.nsecsElapsed() / 1e6;
  });
  // A fill as a new search makes it: the facts read afresh for the rows on
  // screen. Many runs, a few milliseconds each, for a steady median.
  auto fill_once = [&] {
    list->resultModel()->facts().Clear();
    QElapsedTimer t;
    t.start();
    list->ShowRows(read, talvec::AllRows(*read));
    QCoreApplication::processEvents();
    list->viewport()->repaint();
    return t.nsecsElapsed() / 1e6;
  };
  const double fill_ms = MedianMs(21, fill_once);
  // The same fill when the facts' columns have nothing to read.
  list->resultModel()->SetDatabase(nullptr);
  const double bare_fill_ms = MedianMs(21, fill_once);
  list->resultModel()->SetDatabase(&db);
  std::fprintf(stderr, "search_range: %d rows; read %.1f ms, fill %.1f ms\n", rows, read_ms,
               fill_ms);

  const QString sql = QStringLiteral(
                          "PRAGMA key='%1';\n"
                          "SELECT MC, DZ, SJ, LX FROM List WHERE SJ >= '%2' AND SJ <= '%3' "
                          "AND (0 = 0 OR LX = 0) ORDER BY SJ DESC, ID DESC;\n")
                          .arg(QString::fromLatin1(talvec::DatabasePassword()),
                               from.toString("yyyy-MM-dd"), kLastDay.toString("yyyy-MM-dd"));
  qsizetype cli_rows = 0;
  const double cli = MedianMs(5, [&] {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("sqlcipher"), {path});
    p.write(sql.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    cli_rows = p.readAllStandardOutput().count('\n');
    return t.nsecsElapsed() / 1e6;
  });
  if (cli_rows < rows || !scrollable) {
    std::fprintf(stderr, "search_range: list %d rows (scrollable %d), sqlcipher %lld lines\n", rows,
                 scrollable, static_cast<long long>(cli_rows));
  }
  std::printf("search_range: %.1f ms; baseline sqlcipher_cli: %.1f ms; ratio %.2f\n", ours, cli,
              ours / cli);
  std::printf("search_range_fill: %.1f ms; baseline fill_without_facts: %.1f ms; ratio %.2f\n",
              fill_ms, bare_fill_ms, fill_ms / bare_fill_ms);
  return 0;
}
