#include "bench/analysis/sample_cells.h"

#include <QDate>

#ifdef TALVEC_WITH_SITESIM
#include "sitesim/site_simulator.h"
#endif

namespace talvec::bench {

QStringList SampleCells() {
  QStringList cells = {
      QStringLiteral("成交供应商：某某科技有限公司，地址：某市某路1号，成交金额：12.5万元"),
      QStringLiteral("第一包，某某设备有限公司，报价，98000元"),
      QStringLiteral("某某县建材厂 报价56000元"),
      QStringLiteral("包号：1,某某有限公司：成交价：8000元"),
      QStringLiteral("中标人：某某科技有限公司：某某环境工程有限公司"),
      QStringLiteral("第1包，某某信息技术有限公司，120000元，第2包，某某县农业专业合作社，3.2万元"),
      QStringLiteral("某某市机械厂有限公司 报价1万元"),
      QStringLiteral("中标供应商名称：某某电子有限公司<br/>中标供应商地址：某市某街8号<br/"
                     ">中标金额：人民币356000.00元"),
  };
#ifdef TALVEC_WITH_SITESIM
  sitesim::Options options;
  options.seed = 7;
  options.today = QDate(2026, 12, 8);
  options.new_every_seconds = 0;
  sitesim::SiteSimulator sim(options);
  for (int type : {4, 9}) {
    for (const sitesim::Announcement& a : sim.Announcements(type)) {
      if (!a.result_cell.isEmpty()) cells.append(a.result_cell);
    }
  }
#endif
  return cells;
}

}  // namespace talvec::bench
