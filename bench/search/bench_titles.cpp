#include "bench/search/bench_titles.h"

#include <QDir>
#include <QFile>
#include <cstdio>

#include <algorithm>
#include <array>
#include <vector>

#include "core/database.h"
#include "core/schema.h"

namespace talvec::bench {

namespace {
const std::array<const char*, 12> kPlaces = {"成都市", "绵阳市", "乐山市", "宜宾市",
                                             "南充市", "达州市", "泸州市", "德阳市",
                                             "眉山市", "雅安市", "广元市", "凉山彝族自治州"};
const std::array<const char*, 10> kBodies = {"教育局",   "卫生健康委员会", "公安局", "交通运输局",
                                             "人民医院", "财政局",         "水务局", "第一中学",
                                             "建设局",   "广播电视台"};
const std::array<const char*, 14> kGoods = {
    "空调设备",   "台式计算机",   "视频监控系统", "医疗器械",     "办公家具",
    "网络交换机", "道路维修工程", "物业管理服务", "电脑及打印机", "消防设施",
    "图书",       "公务用车",     "食堂食材",     "绿化养护"};
const std::array<const char*, 5> kKinds = {"公开招标公告", "竞争性谈判公告", "中标结果公告",
                                           "更正公告", "询价采购公告"};
}  // namespace

QString BenchTitle(int n) {
  return QStringLiteral("%1%2%3%4（%5）")
      .arg(QString::fromUtf8(kPlaces[n % 12]), QString::fromUtf8(kBodies[(n / 12) % 10]),
           QString::fromUtf8(kGoods[(n / 7) % 14]), QString::fromUtf8(kKinds[(n / 3) % 5]))
      .arg(QStringLiteral("SCZC-%1").arg(n, 7, 10, QLatin1Char('0')));
}

double MedianMs(int runs, const std::function<double()>& run_once) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(run_once());
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

namespace {

bool BuildBenchList(const QString& path, int rows, int rows_per_day, QDate last_day,
                    const std::function<QString(int)>& title, const char* bench_name) {
  {
    Database db;
    if (QFile::exists(path) && db.OpenDatabase(path, DatabasePassword()) &&
        db.Scalar("SELECT count(*) FROM List").toInt() == rows) {
      return true;
    }
  }
  for (const char* suffix : {"", "-wal", "-shm"}) QFile::remove(path + QLatin1String(suffix));
  Database db;
  if (!db.CreateDatabase(path, DatabasePassword()) || !CreateSchema(db) || !Migrate(db))
    return false;
  std::fprintf(stderr, "%s: building a List of %d rows ...\n", bench_name, rows);
  Database::Transaction tx(db);
  Statement insert = db.Prepare("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)");
  const int days = rows / rows_per_day;
  for (int i = 0; i < rows; ++i) {
    const QDate day = last_day.addDays(-(days - 1) + i / rows_per_day);
    insert.Reset();
    insert.BindAll(title(i), QStringLiteral("/view/srplatform/index.html?id=%1").arg(i),
                   day.toString(QStringLiteral("yyyy-MM-dd")), 1 + i % 10);
    if (!insert.Run()) return false;
  }
  return tx.Commit().has_value();
}

}  // namespace

QString EnsureBenchList(const char* bench_name, int rows, int rows_per_day, QDate last_day,
                        const std::function<QString(int)>& title) {
  const QString folder = QDir::temp().filePath(QStringLiteral("talvec-bench"));
  QDir().mkpath(folder);
  const QString path =
      folder + QLatin1Char('/') + QLatin1String(bench_name) + QStringLiteral(".qzv");
  if (!BuildBenchList(path, rows, rows_per_day, last_day, title, bench_name)) {
    std::fprintf(stderr, "%s: cannot build %s\n", bench_name, qPrintable(path));
    return QString();
  }
  return path;
}

}  // namespace talvec::bench
