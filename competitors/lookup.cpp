#include "competitors/lookup.h"

#include <QUrl>

#include "core/database.h"
#include "core/text.h"

#ifndef TALVEC_SEARCH_ENGINE_BASE
#define TALVEC_SEARCH_ENGINE_BASE "http://127.0.0.1:8181"
#endif

namespace talvec {

QString SearchEngineBaseAddress() { return QStringLiteral(TALVEC_SEARCH_ENGINE_BASE); }

QString CompanyLookupAddress(const QString& engine_base, const QString& company) {
  return engine_base + QStringLiteral("/s?WD=") +
         QString::fromLatin1(QUrl::toPercentEncoding(TrimBlanks(company)));
}

QString CompanyLookupCaption(const QString& company) {
  return QStringLiteral("查询公司信息:") + TrimBlanks(company);
}

QString AwardDetailCaption(const QString& company) {
  return QStringLiteral("中标结果信息:") + TrimBlanks(company);
}

DetailLookup FindAwardAnnouncement(Database& db, const QString& title) {
  DetailLookup result;
  Statement st = db.Query("SELECT DZ FROM List WHERE MC=? LIMIT 1", TrimBlanks(title));
  if (st.Next()) {
    result.stored_address = TrimBlanks(st.Text(0));
    result.found = true;
    return result;
  }
  if (!st.ok()) {
    result.ok = false;
    result.error = st.error().FullText();
  }
  return result;
}

}  // namespace talvec
