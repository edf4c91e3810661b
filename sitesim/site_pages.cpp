#include "sitesim/site_pages.h"

#include <algorithm>

#include "sitesim/notice_pages.h"
#include "sitesim/site_data.h"

namespace talvec::sitesim::pages {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

const char kResultHeader[] = "各包中标/成交供应商名称、地址及报价";

// `flush`: a body without the browser's default margin, so that the page
// header starts at the very top.
QString Head(const QString& title, bool flush = false) {
  return QStringLiteral(
             "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
             "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\n"
             "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head>\n"
             "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\n"
             "<title>%1</title>\n"
             "<link href=\"/css/style.css\" rel=\"stylesheet\" type=\"text/css\" />\n"
             "</head>\n%2\n")
      .arg(title, flush ? QStringLiteral("<body style=\"margin:0;padding:0\">")
                        : QStringLiteral("<body>"));
}

// The header that opens every announcement page, as on the real sites: a top
// strip, the banner with the site's name, the navigation bar and the position
// line, in fixed heights of 28 + 150 + 40 + 35 = 253 px (3800 twips at
// 96 dpi). It holds no list heading, no "页次", no error words and no
// "版权所有", so nothing in it is taken for a mark of the page's content.
struct HeaderLook {
  const char* site;      // banner text
  const char* subtitle;  // under the banner text
  const char* colour;    // banner background
  const char* nav_colour;
  QStringList nav;  // "text|href" entries of the navigation bar
};

QString PageHeader(const HeaderLook& look, const QString& position) {
  QString nav;
  for (const QString& entry : look.nav) {
    const QStringList parts = entry.split(u'|');
    if (!nav.isEmpty())
      nav += QStringLiteral("<span style=\"color:#e8c0c0;padding:0 6px\">|</span>");
    nav += QStringLiteral(
               "<a href=\"%1\" style=\"color:#fff;text-decoration:none;font-size:15px\">%2</a>")
               .arg(parts.value(1), parts.value(0));
  }
  return QStringLiteral(
             "<div id=\"siteHeader\" style=\"height:253px;margin:0;padding:0;overflow:hidden\">\n"
             "<div class=\"topStrip\" style=\"height:28px;line-height:28px;margin:0;padding:0 12px;"
             "overflow:hidden;background:#f3f3f3;color:#666;font-size:12px\">欢迎访问%1！"
             "<span style=\"float:right\"><a href=\"/\" style=\"color:#666\">设为首页</a> "
             "<a href=\"/\" style=\"color:#666\">加入收藏</a></span></div>\n"
             "<div class=\"banner\" style=\"height:150px;margin:0;padding:0 "
             "24px;overflow:hidden;background:%3;"
             "color:#fff\"><a href=\"/\" "
             "style=\"display:block;height:96px;line-height:110px;color:#fff;"
             "text-decoration:none;font-size:40px;font-weight:bold;letter-spacing:4px\">%1</a>"
             "<div style=\"height:54px;line-height:40px;font-size:16px\">%2</div></div>\n"
             "<div class=\"nav\" style=\"height:40px;line-height:40px;margin:0;padding:0 "
             "24px;overflow:hidden;"
             "background:%4\">%5</div>\n"
             "<div class=\"position\" style=\"height:35px;line-height:35px;margin:0;padding:0 "
             "24px;overflow:hidden;"
             "border-bottom:1px solid "
             "#ddd;box-sizing:border-box;color:#333;font-size:13px\">当前位置：%6</div>\n"
             "</div>\n")
      .arg(U(look.site), U(look.subtitle), QLatin1String(look.colour),
           QLatin1String(look.nav_colour), nav, position);
}

HeaderLook ProcurementLook() {
  return {"四川政府采购网",
          "四川省财政厅主办 · 政府采购信息发布指定媒体",
          "#b5121b",
          "#8c0e15",
          {QStringLiteral("首页|/"), QStringLiteral("政府采购|/view/zfcg.html"),
           QStringLiteral("通知公告|/view/tzgg.html"), QStringLiteral("政策法规|/view/zcfg.html"),
           QStringLiteral("办事指南|/view/bszn.html"), QStringLiteral("监督检查|/view/jdjc.html"),
           QStringLiteral("诚信建设|/view/cxjs.html"), QStringLiteral("专家之窗|/view/zjzc.html")}};
}

HeaderLook ConstructionLook() {
  return {
      "四川建设网",
      "四川省住房和城乡建设厅 · 工程建设项目招标投标信息",
      "#1d4f91",
      "#153a6b",
      {QStringLiteral("首页|/"),
       QStringLiteral("招标公告|InvitNotice.aspx?typeid=0&amp;&amp;type=ZBGG"),
       QStringLiteral("中标公示|/InvestmentInfo/ZhongBiao/"), QStringLiteral("政策法规|/Policy/"),
       QStringLiteral("诚信体系|/Credit/"), QStringLiteral("办事指南|/Guide/")}};
}

// The procurement site's top bar and menu; no list heading, no "页次", no
// "<li>" that could be taken for an item after the heading.
QString SiteTop() {
  QString menu;
  for (int t = 1; t <= kChannelCount; ++t) {
    QString name = U(ChannelOfType(t).heading);
    name.chop(2);  // without "列表"
    menu += QStringLiteral("<a href=\"%1\">%2</a> | ").arg(SiteSimulator::ListPath(t, 1), name);
  }
  return QStringLiteral(
             "<div class=\"top\"><div class=\"logo\"><a href=\"/\">四川政府采购网</a></div>"
             "<div class=\"topRight\">欢迎访问四川政府采购网！</div></div>\n"
             "<div class=\"menu\"><a href=\"/\">首页</a> | %1<a "
             "href=\"/view/zcfg.html\">政策法规</a></div>\n")
      .arg(menu);
}

QString SiteFooter(bool copyright) {
  return QStringLiteral(
             "<div class=\"footer\"><p>主办单位：四川省财政厅 "
             "承办单位：四川省政府采购中心</p>\n<p>%1"
             "地址：成都市人民南路三段 邮编：610041 "
             "蜀ICP备05001234号</p></div>\n</body>\n</html>\n")
      .arg(copyright ? QStringLiteral("版权所有：四川政府采购网 ")
                     : QStringLiteral("Copyright &copy; 四川政府采购网 "));
}

QString Date(QDate date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

QString Shown(const QString& title) {
  const QString trimmed = title.trimmed();
  return trimmed.size() > 34 ? trimmed.left(32) + QStringLiteral("…") : trimmed;
}

}  // namespace

QByteArray Probe(const std::vector<Announcement>& newest) {
  QString html = Head(QStringLiteral("四川政府采购网")) + SiteTop();
  html += QStringLiteral("<div class=\"main\"><div class=\"notice\"><h3>最新公告</h3>\n<ul>\n");
  for (const Announcement& item : newest) {
    html += QStringLiteral("<li><a href=\"%1\" target=\"_blank\">%2</a> %3</li>\n")
                .arg(item.address, Shown(item.title), Date(item.date));
  }
  html += QStringLiteral("</ul></div></div>\n") + SiteFooter(true);
  return html.toUtf8();
}

QByteArray List(int type, int page, const std::vector<Announcement>& items,
                ListPageOptions options) {
  const Channel& channel = ChannelOfType(type);
  const int count = static_cast<int>(items.size());
  const int pages = std::max(1, (count + kItemsPerPage - 1) / kItemsPerPage);
  QString html = Head(QStringLiteral("信息公告 - 四川政府采购网")) + SiteTop();
  html += QStringLiteral(
      "<div class=\"main\"><div class=\"colsLeft\">\n<div class=\"colsTitle\">"
      "<span class=\"position\">当前位置：<a href=\"/\">首页</a> &gt; 信息公告</span>");
  html += QStringLiteral("<h3>%1</h3></div>\n")
              .arg(options.drop_heading ? QStringLiteral("信息公告") : U(channel.heading));
  html += QStringLiteral("<div class=\"colsList\">\n<ul>\n");
  // Newest first: item k of page p is the (p-1)*25+k-th from the end.
  const qint64 first = static_cast<qint64>(page - 1) * kItemsPerPage;
  for (qint64 k = first; k < first + kItemsPerPage && k < count && page >= 1; ++k) {
    const Announcement& item = items[count - 1 - k];
    html += QStringLiteral(
                "<li><a href=\"%1\" title=\"%2\" target=\"_blank\">%3</a>"
                "<span class=\"date\">%4</span></li>\n")
                .arg(item.address, item.title, Shown(item.title), Date(item.date));
  }
  html += QStringLiteral("</ul>\n</div>\n<div class=\"page\">共 %1 条记录 ").arg(count);
  html += options.drop_page_info ? QStringLiteral("第 %1/%2 页").arg(page).arg(pages)
                                 : QStringLiteral("页次：%1/%2").arg(page).arg(pages);
  html += QStringLiteral(" 每页 %1 条 ").arg(kItemsPerPage);
  const QString base =
      QStringLiteral(
          "/CmsNewsController.do?method=recommendBulletinList&amp;moreType=provincebuyBulletinMore"
          "&amp;channelCode=%1&amp;rp=25&amp;page=")
          .arg(U(channel.code));
  html += QStringLiteral("<a href=\"%1%2\">首页</a> ").arg(base).arg(1);
  if (page > 1) html += QStringLiteral("<a href=\"%1%2\">上一页</a> ").arg(base).arg(page - 1);
  if (page < pages) html += QStringLiteral("<a href=\"%1%2\">下一页</a> ").arg(base).arg(page + 1);
  html += QStringLiteral("<a href=\"%1%2\">尾页</a></div>\n</div></div>\n").arg(base).arg(pages);
  html += SiteFooter(true);
  return html.toUtf8();
}

QByteArray AnnouncementPage(const Announcement& item, const NoticePlan* notice) {
  const Channel& channel = ChannelOfType(item.type);
  const QString title = item.title.trimmed();
  const QString& body = item.buyer;
  QString channel_name = U(channel.heading);
  channel_name.chop(2);  // without "列表": the header holds no list heading
  QString html = Head(title + QStringLiteral(" - 四川政府采购网"), true);
  html +=
      PageHeader(ProcurementLook(),
                 QStringLiteral("<a href=\"/\">首页</a> &gt; 政府采购 &gt; <a href=\"%1\">%2</a>")
                     .arg(SiteSimulator::ListPath(item.type, 1), channel_name));
  html += QStringLiteral("<div class=\"main\">\n");
  html += QStringLiteral(
              "<div class=\"contentTitle\"><h1>%1</h1><p>发布时间：%2 信息来源：%3</p></div>\n")
              .arg(title.toHtmlEscaped(), Date(item.date), body.toHtmlEscaped());
  const bool result = item.type == 4 || item.type == 9;
  QString result_table;
  if (result) {
    result_table = QStringLiteral(
        "<p>根据评审委员会的评审结果，现将本项目采购结果公告如下：</p>\n"
        "<table class=\"result\" border=\"1\" cellspacing=\"0\" width=\"100%\">\n");
    if (item.has_header) {
      result_table += QStringLiteral("<tr><td class=\"resultHead\" align=\"center\">%1</td></tr>\n")
                          .arg(U(kResultHeader));
    } else {
      result_table += QStringLiteral(
          "<tr><td class=\"resultHead\" align=\"center\">中标（成交）信息</td></tr>\n");
    }
    result_table += QStringLiteral("<tr><td colspan=\"2\" align=\"left\">%1</td></tr>\n</table>\n")
                        .arg(item.result_cell);
  }
  if (notice && notice->kind != NoticeKind::kNone) {
    html += QStringLiteral("<div class=\"contentText\">\n") + NoticeBody(*notice, result_table) +
            QStringLiteral("</div></div>\n");
    html += SiteFooter(!result || item.has_footer);
    return html.toUtf8();
  }
  html += QStringLiteral(
              "<div class=\"contentText\">\n<table class=\"info\" border=\"1\" cellspacing=\"0\">\n"
              "<tr><td class=\"label\">项目名称</td><td>%1</td></tr>\n"
              "<tr><td class=\"label\">采购人</td><td>%2</td></tr>\n"
              "<tr><td class=\"label\">项目编号</td><td>N51%3</td></tr>\n"
              "<tr><td class=\"label\">采购方式</td><td>%4</td></tr>\n</table>\n")
              .arg(title.toHtmlEscaped(), body.toHtmlEscaped())
              .arg(item.id)
              .arg(item.id % 3 == 0 ? QStringLiteral("竞争性磋商") : QStringLiteral("公开招标"));
  if (result) {
    html += result_table;
    html += QStringLiteral("<p>评审专家名单：%1、%2、%3</p>\n<p>本公告期限为1个工作日。</p>\n")
                .arg(QStringLiteral("王某"), QStringLiteral("李某"), QStringLiteral("张某"));
  } else if (item.type == 3 || item.type == 8) {
    html += QStringLiteral(
        "<p>本项目评审工作已经结束，中标候选人公示如下：</p>\n"
        "<table class=\"result\" "
        "border=\"1\"><tr><td>第一中标候选人</td><td>详见附件</td></tr></table>\n");
  } else {
    html += QStringLiteral(
                "<p>%1就%2进行采购，欢迎合格的供应商参加。</p>\n"
                "<p>一、采购预算：%3万元</p>\n<p>二、获取采购文件时间：%4至%5</p>\n"
                "<p>三、联系人：%6先生 联系电话：028-8%7</p>\n")
                .arg(body.toHtmlEscaped(), title.toHtmlEscaped())
                .arg(5 + item.id % 300)
                .arg(Date(item.date), Date(item.date.addDays(5)))
                .arg(QStringLiteral("王"))
                .arg(item.id % 10000000, 7, 10, QLatin1Char('0'));
  }
  html += QStringLiteral("</div></div>\n");
  html += SiteFooter(!result || item.has_footer);
  return html.toUtf8();
}

QByteArray ConstructionList(const std::vector<ConstructionTender>& tenders,
                            ListPageOptions options) {
  QString html = QStringLiteral(
      "<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=utf-8\" />\n"
      "<title>招标公告--四川建设网</title>\n</head>\n<body>\n"
      "<div class=\"top\"><a href=\"/\">四川建设网</a> 工程建设项目招标投标信息</div>\n"
      "<form name=\"aspnetForm\" method=\"post\" "
      "action=\"InvitNotice.aspx?typeid=0&amp;&amp;type=ZBGG\" "
      "id=\"aspnetForm\">\n<div class=\"listTitle\">招标公告</div>\n<div class=\"list\">\n");
  // The markers in a case of their own (the collector must ignore case).
  const QString table_id = options.drop_heading
                               ? QStringLiteral("ctl00_contentPlaceHolder1_List")
                               : QStringLiteral("ctl00_contentPlaceHolder1_GvList");
  html += QStringLiteral(
              "<table class=\"GridView\" cellspacing=\"0\" rules=\"all\" border=\"1\" id=\"%1\" "
              "style=\"width:100%;border-collapse:collapse;\">\n")
              .arg(table_id);
  html += QStringLiteral(
      "<tr><th scope=\"col\">序号</th><th scope=\"col\">工程名称</th>"
      "<th scope=\"col\">所在地</th><th scope=\"col\">发布日期</th></tr>\n");
  const int count = static_cast<int>(tenders.size());
  for (int k = 0; k < kConstructionRows && k < count; ++k) {
    const ConstructionTender& tender = tenders[count - 1 - k];
    const QString row_id =
        QStringLiteral("%1_ctl%2").arg(table_id).arg(k + 2, 2, 10, QLatin1Char('0'));
    html +=
        QStringLiteral(
            "<tr><td><span id=\"%1_lblNo\">%2</span></td>"
            "<td align=\"left\"><a href=\"%3\" title=\"%4\" target=\"_blank\">%5</a></td>"
            "<td><span id=\"%1_lblArea\">%6</span></td>"
            "<td><span id=\"%1_lblDate\">%7</span></td></tr>\n")
            .arg(row_id)
            .arg(k + 1)
            .arg(tender.link, tender.title, Shown(tender.title), tender.place, Date(tender.date));
  }
  html += QStringLiteral("</table>\n</div>\n");
  const int pages = std::max(1, (count + kConstructionRows - 1) / kConstructionRows);
  html += QStringLiteral(
              "<div id=\"%1\" class=\"pager\">共%2条记录 第1/%3页 "
              "<a href=\"javascript:__doPostBack('ctl00$pager','2')\">下一页</a></div>\n")
              .arg(options.drop_page_info ? QStringLiteral("ctl00_pager")
                                          : QStringLiteral("ctl00_ContentPlaceholder1_MYPAGER"))
              .arg(count)
              .arg(pages);
  html += QStringLiteral(
      "</form>\n<div class=\"footer\">版权所有：四川省住房和城乡建设厅 "
      "四川建设网</div>\n</body>\n</html>\n");
  return html.toUtf8();
}

QByteArray TenderPage(const ConstructionTender& tender, const NoticePlan* notice) {
  QString html =
      QStringLiteral(
          "<!DOCTYPE html>\n<html>\n<head>\n<meta http-equiv=\"Content-Type\" content=\"text/html; "
          "charset=utf-8\" />\n<title>%1--四川建设网</title>\n</head>\n<body "
          "style=\"margin:0;padding:0\">\n"
          "%4<div class=\"main\">\n<h1>%1</h1>\n"
          "<p>工程所在地：%2 发布日期：%3</p>\n")
          .arg(tender.title.toHtmlEscaped(),
               tender.place.isEmpty() ? QStringLiteral("四川省") : tender.place, Date(tender.date),
               PageHeader(
                   ConstructionLook(),
                   QStringLiteral(
                       "<a href=\"/\">首页</a> &gt; 招标投标 &gt; "
                       "<a href=\"InvitNotice.aspx?typeid=0&amp;&amp;type=ZBGG\">招标公告</a>")));
  if (notice) {
    html += NoticeBody(*notice, {});
  } else {
    html += QStringLiteral(
                "<p>本招标项目%1已由有关部门批准建设，建设资金已落实。项目已具备招标条件，"
                "现对该项目进行公开招标。</p>\n")
                .arg(tender.title.toHtmlEscaped());
  }
  html += QStringLiteral(
      "</div>\n<div class=\"footer\">版权所有：四川省住房和城乡建设厅 "
      "四川建设网</div>\n</body>\n</html>\n");
  return html.toUtf8();
}

QByteArray ErrorPage(int which) {
  if (which == 2) {
    return QStringLiteral(
               "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>出错了</title></head>"
               "<body><div class=\"error\"><h2>对不起，页面没有找到！</h2>"
               "<p>您访问的页面不存在或已被删除。<a "
               "href=\"/\">返回首页</a></p></div></body></html>\n")
        .toUtf8();
  }
  return QStringLiteral(
             "<!DOCTYPE html>\n<html><head><meta "
             "charset=\"utf-8\"><title>无法找到该页</title></head>"
             "<body><h1>无法找到该页</h1><p>您正在搜索的页面可能已经删除、更名或暂时不可用。</p>"
             "<hr><p>HTTP 错误 404 - 文件或目录未找到。<br>Internet 信息服务 "
             "(IIS)</p></body></html>\n")
      .toUtf8();
}

QByteArray VersionText(const QString& version) { return version.toUtf8(); }

}  // namespace talvec::sitesim::pages
