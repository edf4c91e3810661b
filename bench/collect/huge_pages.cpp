// huge_page: how long the largest pages the fetcher lets through hold the
// window: a list page at its 2 MiB cap and a result page at its 4 MiB cap,
// applied as the program applies them. Baseline: a normal 25-item list page
// and a normal result cell.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "analysis/result_cell.h"
#include "analysis/result_page.h"
#include "analysis/winner_extraction.h"
#include "collect/channels.h"
#include "collect/list_collector.h"
#include "collect/list_page.h"
#include "net/network_status.h"
#include "net/page_fetcher.h"
#include "core/database.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/text.h"

namespace {

QString ListPage(const QString& heading, qint64 max_utf8_bytes, int first, int* items) {
  QString page = heading;
  int n = first;
  const int batch = max_utf8_bytes < 100000 ? 25 : 200;
  do {
    for (int i = 0; i < batch; ++i, ++n) {
      page += QStringLiteral(
                  "<li><a href=\"/v?id=%1\" title=\"成都市某单位第%1号采购公告\"></a>"
                  "<span class=\"date\">2026-12-01</span>")
                  .arg(n);
    }
  } while (page.toUtf8().size() < max_utf8_bytes - 4000 && batch > 25);
  *items = n - first;
  return page + QStringLiteral("页次");
}

QString ResultPage(qint64 max_utf8_bytes) {
  QString cell;
  qint64 bytes = 0;
  int n = 0;
  do {
    const QString piece = QStringLiteral("第%1包，成都某某信息技术有限公司，120000元，").arg(n++);
    bytes += piece.toUtf8().size();
    cell += piece;
  } while (bytes < max_utf8_bytes - 1000 && max_utf8_bytes > 100000);
  return QStringLiteral("<table><tr><td>各包中标/成交供应商名称、地址及报价</td><td>") + cell +
         QStringLiteral("</td></tr></table>版权所有");
}

double ApplyResultMs(const QString& page) {
  QElapsedTimer t;
  t.start();
  talvec::ResultCellCut cut = talvec::CutResultCell(page);
  cut.cell = talvec::CutChars(cut.cell, talvec::ResultPageReader::kMaxCellChars);
  const talvec::Extraction e = talvec::ExtractAwards(cut.cell);
  return e.awards.isEmpty() ? -1 : t.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir;
  talvec::Database db;
  if (!db.CreateDatabase(dir.filePath(QStringLiteral("huge.qzv")), talvec::DatabasePassword()) ||
      !talvec::CreateSchema(db) || !talvec::InsertDeliveredSettings(db, QDate::currentDate())) {
    std::fprintf(stderr, "huge_page: cannot prepare the database\n");
    return 1;
  }
  const talvec::ChannelInfo& channel = *talvec::ChannelOfType(2);
  talvec::PageFetcher fetcher;
  talvec::NetworkStatus network(fetcher, QStringLiteral("http://127.0.0.1:1"));
  talvec::CollectionState state;
  state.LastCollectionDate = QStringLiteral("2026-11-01");
  talvec::CollectorEnv env{db, network, state, {}, {}};

  int normal_items = 0, huge_items = 0;
  const QString normal = ListPage(channel.Heading(), 25 * 150, 0, &normal_items);
  const QString huge =
      ListPage(channel.Heading(), talvec::PageFetcher::kListPageBytes, 1000, &huge_items);
  QElapsedTimer t;
  t.start();
  talvec::ApplyListPage(env, normal, channel.type);
  const double normal_ms = t.nsecsElapsed() / 1e6;
  t.restart();
  talvec::ApplyListPage(env, huge, channel.type);
  const double huge_ms = t.nsecsElapsed() / 1e6;

  const double normal_cell_ms = ApplyResultMs(ResultPage(2000));
  const double huge_cell_ms = ApplyResultMs(ResultPage(talvec::PageFetcher::kResultPageBytes));
  std::printf(
      "huge_list_page: %.1f ms (%d items); baseline normal_list_page: %.1f ms (%d items); ratio "
      "%.1f\n",
      huge_ms, huge_items, normal_ms, normal_items, huge_ms / normal_ms);
  std::printf("huge_result_page: %.1f ms; baseline normal_result_cell: %.2f ms; ratio %.1f\n",
              huge_cell_ms, normal_cell_ms, huge_cell_ms / normal_cell_ms);
  return 0;
}
