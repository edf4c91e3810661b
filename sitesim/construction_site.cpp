#include "sitesim/construction_site.h"

#include <QUrlQuery>

#include "sitesim/site_data.h"

namespace talvec::sitesim {

std::optional<Reply> AnswerConstructionSite(const QUrl& url, const Catalogue& catalogue,
                                            pages::ListPageOptions list_options) {
  const QString path = url.path();
  if (path == QLatin1String("/InvestmentInfo/ZhaoBiao/InvitNotice.aspx")) {
    return Reply{200, pages::ConstructionList(catalogue.Tenders(), list_options)};
  }
  if (path == QLatin1String("/InvestmentInfo/ZhaoBiao/InvitNoticeDetail.aspx")) {
    const QUrlQuery query(url);
    if (const ConstructionTender* tender =
            catalogue.FindTender(query.queryItemValue(QStringLiteral("id")).toInt())) {
      return Reply{200, pages::TenderPage(*tender, catalogue.TenderNotice(tender->id))};
    }
    return Reply{404, pages::ErrorPage(1)};
  }
  return std::nullopt;
}

}  // namespace talvec::sitesim
