// Page makers for the collector tests: list pages of the procurement site's
// grammar and the construction-tender list.
#pragma once

#include <QList>
#include <QString>

namespace talvec::test_support {

struct FakeItem {
  QString title;
  QString date;  // as the page writes it; empty: no date mark at all
  QString address;
};

inline QString ListPageHtml(const QString& heading, const QList<FakeItem>& items) {
  QString html = QStringLiteral("<html><head><title>x</title></head><body><div class=\"t\">") +
                 heading + QStringLiteral("</div><ul class=\"list\">\n");
  for (const FakeItem& item : items) {
    html +=
        QStringLiteral("<li><a href=\"%1\" title=\"%2\" target=\"_blank\">%2</a>")
            .arg(item.address.isEmpty() ? QStringLiteral("/view?id=") + item.title : item.address,
                 item.title);
    if (!item.date.isEmpty())
      html += QStringLiteral("<span class=\"date\">%1</span>").arg(item.date);
    html += QStringLiteral("</li>\n");
  }
  return html + QStringLiteral("</ul><div class=\"pager\">页次：1/99</div></body></html>");
}

struct FakeTender {
  QString title;
  QString place;
  QString date;
  QString link;
};

inline QString ConstructionPageHtml(
    const QList<FakeTender>& rows,
    const QString& list_marker = QStringLiteral("ContentPlaceHolder1_GVList"),
    const QString& pager_marker = QStringLiteral("ContentPlaceHolder1_myPager")) {
  QString html = QStringLiteral("<html><body><table id=\"") + list_marker +
                 QStringLiteral("\"><tr><th>标题</th><th>地区</th><th>日期</th></tr>");
  for (const FakeTender& row : rows) {
    html += QStringLiteral(
                "<tr><td><span class=\"n\"><a href=\"%1\" title=\"%2\">%2</a></span></td>"
                "<td><span class=\"p\">%3</span></td><td><span class=\"d\">%4</span></td></tr>")
                .arg(row.link, row.title, row.place, row.date);
  }
  return html + QStringLiteral("</table><div id=\"") + pager_marker +
         QStringLiteral("\">1</div></body></html>");
}

}  // namespace talvec::test_support
