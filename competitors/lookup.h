// Where the competitor window looks things up: the public search engine for
// a company, and the announcement of an award.
#pragma once

#include <QString>

namespace talvec {

class Database;

// The search engine's base address, fixed when the program is built
// (TALVEC_SEARCH_ENGINE_BASE); the local simulator unless built otherwise.
QString SearchEngineBaseAddress();

// base + "/s?WD=" + the trimmed name, percent-encoded as UTF-8, so that
// "&", "#", "+" and blanks stay part of the name.
QString CompanyLookupAddress(const QString& engine_base, const QString& company);
QString CompanyLookupCaption(const QString& company);  // "查询公司信息:" + name
QString AwardDetailCaption(const QString& company);    // "中标结果信息:" + name

struct DetailLookup {
  bool ok = true;          // false: the statement failed (error says why)
  bool found = false;      // an announcement with that title exists
  QString stored_address;  // its DZ, trimmed
  QString error;
};

// The announcement titled `title` (trimmed; the first row found).
DetailLookup FindAwardAnnouncement(Database& db, const QString& title);

}  // namespace talvec
