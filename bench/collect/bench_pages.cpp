#include "bench/collect/bench_pages.h"

#include <array>

namespace talvec::bench {

namespace {
const std::array<const char*, 8> kPlaces = {"成都市", "绵阳市", "乐山市", "宜宾市",
                                            "南充市", "达州市", "泸州市", "德阳市"};
const std::array<const char*, 8> kBodies = {"教育局",   "卫生健康委员会", "公安局", "交通运输局",
                                            "人民医院", "财政局",         "水务局", "第一中学"};
const std::array<const char*, 8> kGoods = {"空调设备",     "台式计算机",  "视频监控系统",
                                           "医疗器械",     "办公家具",    "网络交换机",
                                           "道路维修工程", "物业管理服务"};
}  // namespace

QString BenchTitle(int number) {
  return QStringLiteral("%1%2%3采购项目公开招标公告（编号%4）")
      .arg(QString::fromUtf8(kPlaces[number % 8]), QString::fromUtf8(kBodies[(number / 8) % 8]),
           QString::fromUtf8(kGoods[(number / 64) % 8]))
      .arg(number, 8, 10, QLatin1Char('0'));
}

QStringList MakeListPages(const QString& heading, int count, int first_number) {
  QStringList pages;
  int number = first_number;
  for (int p = 0; p < count; ++p) {
    QString html =
        QStringLiteral(
            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>四川政府采购网</title>"
            "<link rel=\"stylesheet\" href=\"/css/main.css\"></head><body><div class=\"top\">"
            "<a href=\"/\">首页</a> &gt; <a href=\"/list\">采购公告</a></div><div class=\"main\">"
            "<div class=\"colsTitle\">") +
        heading + QStringLiteral("</div><ul class=\"colsList\">\n");
    for (int i = 0; i < 25; ++i, ++number) {
      html += QStringLiteral(
                  "<li><a href=\"/view/srplatform/portal/index.html?id=%1&amp;ch=1\" title=\"%2\" "
                  "target=\"_blank\">%2</a><span class=\"date\">2026-12-%3</span></li>\n")
                  .arg(number)
                  .arg(BenchTitle(number))
                  .arg(1 + (number / 25) % 28, 2, 10, QLatin1Char('0'));
    }
    html +=
        QStringLiteral(
            "</ul><div class=\"pager\">页次：%1/400 每页25条 <a href=\"#\">下一页</a></div></div>"
            "<div class=\"foot\">版权所有 四川省政府采购中心</div></body></html>")
            .arg(p + 1);
    pages.append(html);
  }
  return pages;
}

}  // namespace talvec::bench
