#include "search/announcement_count.h"

namespace talvec {

Result<std::int64_t> CountAnnouncements(Database& db) {
  Statement st = db.Prepare("SELECT count(*) FROM List");
  if (!st.Next()) {
    return Fail(st.error().kind, QStringLiteral("无法统计已存公告"), st.error().FullText(),
                st.error().code);
  }
  return st.Int(0);
}

}  // namespace talvec
