#include "sitesim/search_engine.h"

#include <QUrlQuery>
#include <algorithm>

#include "sitesim/site_data.h"

namespace talvec::sitesim {

namespace {

constexpr int kShown = 20;
constexpr qsizetype kShortestPart = 4;

bool NamesCompany(const QString& supplier, const QString& name) {
  const QString s = supplier.trimmed();
  if (s.isEmpty() || name.isEmpty()) return false;
  if (s == name) return true;
  return (name.size() >= kShortestPart && s.contains(name)) ||
         (s.size() >= kShortestPart && name.contains(s));
}

}  // namespace

QByteArray CompanySearchPage(const QString& raw_name,
                             const std::vector<const Announcement*>& results) {
  const QString name = raw_name.trimmed();
  struct Hit {
    const Announcement* item;
    const Award* award;
  };
  std::vector<Hit> hits;
  for (const Announcement* item : results) {
    for (const Award& award : item->awards) {
      if (NamesCompany(award.supplier, name)) {
        hits.push_back({item, &award});
        break;
      }
    }
  }
  std::stable_sort(hits.begin(), hits.end(),
                   [](const Hit& a, const Hit& b) { return a.item->date > b.item->date; });
  const QString e = name.toHtmlEscaped();
  QString html =
      QStringLiteral(
          "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1_搜索结果</title>\n"
          "<style>body{font-family:sans-serif;margin:0;background:#fff}"
          ".bar{background:#f5f6f8;border-bottom:1px solid #e3e3e3;padding:14px 24px}"
          ".bar b{color:#2a5bd7;font-size:24px;margin-right:16px}"
          ".bar input{width:480px;font-size:16px;padding:6px}"
          ".box{max-width:820px;padding:8px 24px}.count{color:#888;font-size:13px}"
          ".r{margin:18px 0}.r a{font-size:17px;color:#1a0dab}"
          ".r .u{color:#006621;font-size:13px}.r p{margin:4px 0;color:#333;font-size:14px}"
          ".card{border:1px solid #e3e3e3;border-radius:6px;padding:12px;margin:12px 0}</style>\n"
          "</head><body>\n<div class=\"bar\"><b>搜索</b>"
          "<form style=\"display:inline\" action=\"/s\"><input name=\"WD\" "
          "value=\"%1\"></form></div>\n"
          "<div class=\"box\">\n<p class=\"count\">为您找到相关结果约%2个</p>\n")
          .arg(e)
          .arg(hits.size() + 1);
  html += QStringLiteral(
              "<div class=\"card\" id=\"company\"><a>%1</a>"
              "<p>企业信用信息：统一社会信用代码 91510100MA%2；登记状态 存续；"
              "经营范围 以登记机关核准为准。</p><p>政府采购中标记录：%3条</p></div>\n")
              .arg(e)
              .arg(qHash(name) % 100000000, 8, 10, QLatin1Char('0'))
              .arg(hits.size());
  if (hits.empty()) {
    html += QStringLiteral("<p id=\"none\">未找到“%1”的中标公告。</p>\n").arg(e);
  }
  for (std::size_t k = 0; k < hits.size() && k < static_cast<std::size_t>(kShown); ++k) {
    const Announcement& item = *hits[k].item;
    const Award& award = *hits[k].award;
    const QString title = item.title.trimmed().toHtmlEscaped();
    html += QStringLiteral(
                "<div class=\"r\"><a href=\"%1\">%2</a><div class=\"u\">四川政府采购网 %3</div>"
                "<p>采购人：%4。中标供应商：%5%6。</p></div>\n")
                .arg(item.address.toHtmlEscaped(), title,
                     item.date.toString(QStringLiteral("yyyy-MM-dd")), item.buyer.toHtmlEscaped(),
                     award.supplier.trimmed().toHtmlEscaped(),
                     award.amount_text.isEmpty()
                         ? QString()
                         : QStringLiteral("，中标金额：") + award.amount_text.toHtmlEscaped());
  }
  html += QStringLiteral("</div></body></html>\n");
  return html.toUtf8();
}

std::optional<Reply> AnswerSearchEngine(const QUrl& url, const Catalogue& catalogue) {
  if (url.path() != QLatin1String("/s")) return std::nullopt;
  std::vector<const Announcement*> results;
  for (int type : {4, 9}) {
    for (const Announcement& item : catalogue.Channel(type)) results.push_back(&item);
  }
  return Reply{
      200, CompanySearchPage(
               QUrlQuery(url).queryItemValue(QStringLiteral("WD"), QUrl::FullyDecoded), results)};
}

}  // namespace talvec::sitesim
