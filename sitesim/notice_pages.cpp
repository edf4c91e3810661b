#include "sitesim/notice_pages.h"

#include "sitesim/site_data.h"
#include "sitesim/site_words.h"

namespace talvec::sitesim::pages {
namespace {

using Kind = NoticeLine::Kind;

QString U(const char* text) { return QString::fromUtf8(text); }
QString E(const QString& text) { return text.toHtmlEscaped(); }

const char* const kParameters[] = {
    "性能稳定可靠，符合国家及行业相关标准",
    "具备自检及故障报警功能",
    "整机质保不少于3年，质保期内免费上门维修",
    "提供原厂授权及售后服务承诺函",
    "电源：220V±10%，50Hz",
    "外观无划痕、无变形，配件齐全",
    "提供中文操作界面及中文使用说明书",
    "供应商须提供不少于2次的现场操作培训",
    "所投产品须为全新、未使用过的合格产品",
    "关键部件须为原装正品，提供进货渠道证明",
    "响应速度不超过2小时，24小时内到达现场",
    "满足节能环保要求，优先采购节能产品",
    "须兼容采购人现有系统，免费提供数据接口",
    "交货地点为采购人指定地点，含运输及安装调试",
};

const char* const kUnits[] = {"台", "套", "批", "项", "件", "个"};

// The table of what is to be bought: the bulk of a real notice.
QString RequirementTable(const QString& product, Rng& rng) {
  QString html = QStringLiteral(
      "<table class=\"demand\" border=\"1\" cellspacing=\"0\" cellpadding=\"4\" width=\"100%\">\n"
      "<tr><th>序号</th><th>标的名称</th><th>数量</th><th>单位</th><th>技术参数及要求</th>"
      "</tr>\n");
  // The requirements often number their own parts.
  const bool parts = rng.Chance(0.4);
  if (parts) html.prepend(QStringLiteral("<p>一、技术要求（详见下表）</p>\n"));
  const int rows = 24 + rng.Below(48);
  for (int r = 1; r <= rows; ++r) {
    QString parameters;
    const int n = 3 + rng.Below(5);
    for (int k = 0; k < n; ++k) {
      if (k) parameters += QStringLiteral("；");
      parameters += QStringLiteral("%1.").arg(k + 1) + U(kParameters[rng.Below(14)]);
    }
    html += QStringLiteral(
                "<tr><td>%1</td><td>%2（%3）</td><td>%4</td><td>%5</td><td "
                "style=\"text-align:left\">%6。</td></tr>\n")
                .arg(r)
                .arg(E(product))
                .arg(QStringLiteral("分项%1").arg(r))
                .arg(1 + rng.Below(20))
                .arg(U(kUnits[rng.Below(6)]), parameters);
  }
  html += QStringLiteral("</table>\n");
  if (parts)
    html += QStringLiteral("<p>二、商务要求：交货期、质保期及付款方式详见采购文件。</p>\n");
  return html;
}

// Styles and scripts as the real pages carry them (they are most of a page's
// weight besides the requirements).
QString PageAssets(Rng& rng) {
  QString css = QStringLiteral("<style type=\"text/css\">\n");
  static const char* const kSelectors[] = {".notice",  ".content", ".demand", ".summary",
                                           ".contact", ".lead",    ".info",   ".result"};
  for (const char* selector : kSelectors) {
    for (int i = 0; i < 6; ++i) {
      css += QStringLiteral(
                 "%1 .c%2 { margin:0 %3px; padding:%4px; font-size:%5px; "
                 "line-height:%6px; color:#%7; }\n")
                 .arg(QLatin1String(selector))
                 .arg(i)
                 .arg(rng.Below(20))
                 .arg(rng.Below(12))
                 .arg(12 + rng.Below(6))
                 .arg(20 + rng.Below(10))
                 .arg(rng.Below(0x1000), 3, 16, QLatin1Char('0'));
    }
  }
  css += QStringLiteral("</style>\n");
  QString js = QStringLiteral("<script type=\"text/javascript\">\n");
  for (int i = 0; i < 24; ++i) {
    js += QStringLiteral(
              "function f%1(el){if(!el){return false;}var s=el.style;s.display="
              "(s.display==='none')?'block':'none';return %2<%3;}\n")
              .arg(i)
              .arg(rng.Below(100))
              .arg(rng.Below(100));
  }
  js += QStringLiteral("</script>\n");
  return css + js;
}

QString Colon(const NoticePlan& plan, Rng& rng) {
  const bool half = rng.Chance(0.1) ? !plan.half_colon : plan.half_colon;
  return half ? QStringLiteral(":") : QStringLiteral("：");
}

QString CellsTable(const QList<QStringList>& rows, const char* css_class, bool header_row) {
  QString html =
      QStringLiteral("<table class=\"%1\" border=\"1\" cellspacing=\"0\" width=\"100%\">\n")
          .arg(QLatin1String(css_class));
  for (qsizetype r = 0; r < rows.size(); ++r) {
    html += QStringLiteral("<tr>");
    const bool head = header_row && r == 0;
    for (const QString& cell : rows[r]) {
      html += head ? QStringLiteral("<th>%1</th>").arg(E(cell))
                   : QStringLiteral("<td>%1</td>").arg(E(cell));
    }
    html += QStringLiteral("</tr>\n");
  }
  return html + QStringLiteral("</table>\n");
}

}  // namespace

QString NoticeBody(const NoticePlan& plan, const QString& result_table) {
  const QString& product = plan.product;
  Rng rng(plan.seed);
  QString html = PageAssets(rng);
  html += QStringLiteral("<div class=\"notice\">\n");
  if (!plan.lead.isEmpty()) {
    if (plan.kind == NoticeKind::kTender || plan.kind == NoticeKind::kConsultation) {
      html += QStringLiteral("<p class=\"lead\"><strong>项目概况</strong></p>\n");
    }
    html += QStringLiteral("<p class=\"lead\">%1</p>\n").arg(E(plan.lead));
  }
  auto filler = [&](const QString& what) {
    return what == QLatin1String("result") ? result_table : RequirementTable(product, rng);
  };
  switch (plan.layout) {
    case NoticeLayout::kSummary:
      html += CellsTable(plan.table, "summary", false);
      html += QStringLiteral("<p>其他事项详见招标文件。</p>\n") + RequirementTable(product, rng);
      break;
    case NoticeLayout::kIntention:
      html += CellsTable(plan.table, "intention", true);
      html += QStringLiteral(
          "<p>本次公开的采购意向是本单位政府采购工作的初步安排，具体采购项目情况以相关采购公告和"
          "采购文件为准。</p>\n");
      break;
    case NoticeLayout::kTable: {
      html += QStringLiteral(
          "<table class=\"notice\" border=\"1\" cellspacing=\"0\" width=\"100%\">\n");
      for (const NoticeLine& line : plan.lines) {
        switch (line.kind) {
          case Kind::kHeading:
          case Kind::kSubheading:
            html += QStringLiteral("<tr><td colspan=\"2\"><b>%1</b></td></tr>\n").arg(E(line.text));
            break;
          case Kind::kLabel:
            html += QStringLiteral("<tr><td class=\"label\">%1%2</td><td>%3</td></tr>\n")
                        .arg(E(line.label), Colon(plan, rng), E(line.text));
            break;
          case Kind::kText:
            html += QStringLiteral("<tr><td colspan=\"2\">%1</td></tr>\n").arg(E(line.text));
            break;
          case Kind::kFiller:
            html += QStringLiteral("<tr><td colspan=\"2\">%1</td></tr>\n").arg(filler(line.text));
            break;
        }
      }
      html += QStringLiteral("</table>\n");
      break;
    }
    case NoticeLayout::kBreaks: {
      QString block;
      auto flush = [&] {
        if (!block.isEmpty())
          html += QStringLiteral("<div class=\"content\">%1</div>\n").arg(block);
        block.clear();
      };
      for (const NoticeLine& line : plan.lines) {
        QString text;
        switch (line.kind) {
          case Kind::kHeading:
            text = QStringLiteral("<b>%1</b>").arg(E(line.text));
            break;
          case Kind::kSubheading:
          case Kind::kText:
            text = E(line.text);
            break;
          case Kind::kLabel:
            text = E(line.label) + Colon(plan, rng) + E(line.text);
            break;
          case Kind::kFiller:
            flush();
            html += filler(line.text);
            continue;
        }
        if (!block.isEmpty()) block += QStringLiteral("<br/>\n");
        block += text;
      }
      flush();
      break;
    }
    case NoticeLayout::kParagraphs:
      for (const NoticeLine& line : plan.lines) {
        switch (line.kind) {
          case Kind::kHeading:
            html += rng.Chance(0.5)
                        ? QStringLiteral("<h4>%1</h4>\n").arg(E(line.text))
                        : QStringLiteral("<p><strong>%1</strong></p>\n").arg(E(line.text));
            break;
          case Kind::kSubheading:
          case Kind::kText:
            html += QStringLiteral("<p>%1</p>\n").arg(E(line.text));
            break;
          case Kind::kLabel:
            html += QStringLiteral("<p>%1%2%3</p>\n")
                        .arg(E(line.label), Colon(plan, rng), E(line.text));
            break;
          case Kind::kFiller:
            html += filler(line.text);
            break;
        }
      }
      break;
  }
  if (plan.kind == NoticeKind::kConstruction) html += CellsTable(plan.table, "contact", false);
  return html + QStringLiteral("</div>\n");
}

}  // namespace talvec::sitesim::pages
