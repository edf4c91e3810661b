#include "collect/unfinished_channels.h"

#include "core/database.h"

namespace talvec {

namespace {

tl::unexpected<Error> Failed(const Statement& st, const char* what) {
  return Fail(st.error().kind, QStringLiteral("无法%1未完成的采集进度").arg(QLatin1String(what)),
              st.error().FullText(), st.error().code);
}

}  // namespace

Result<std::map<QString, UnfinishedReading>> ReadUnfinishedChannels(Database& db) {
  Statement st =
      db.Query("SELECT Channel, SinceId, ResumePage, ResumeFrom, ResumeTo FROM UnfinishedChannels");
  std::map<QString, UnfinishedReading> rows;
  while (st.Next()) {
    rows[st.Text(0)] = {st.Int(1), static_cast<qint32>(st.Int(2)), st.Int(3), st.Int(4)};
  }
  if (!st.ok()) return Failed(st, "读取");
  return rows;
}

Result<> SaveUnfinishedChannel(Database& db, const QString& channel, const UnfinishedReading& r) {
  Statement st = db.Query(
      "INSERT OR REPLACE INTO UnfinishedChannels(Channel, SinceId, ResumePage, ResumeFrom, "
      "ResumeTo) VALUES(?, ?, ?, ?, ?)",
      channel, r.since_id, r.resume_page, r.resume_from, r.resume_to);
  if (!st.Run()) return Failed(st, "保存");
  return {};
}

Result<> ClearUnfinishedChannel(Database& db, const QString& channel) {
  Statement st = db.Query("DELETE FROM UnfinishedChannels WHERE Channel = ?", channel);
  if (!st.Run()) return Failed(st, "清除");
  return {};
}

Result<> ClearUnfinishedSince(Database& db, const QString& channel, std::int64_t start_id) {
  Statement st = db.Query("DELETE FROM UnfinishedChannels WHERE Channel = ? AND SinceId >= ?",
                          channel, start_id);
  if (!st.Run()) return Failed(st, "清除");
  return {};
}

Result<std::int64_t> LastListId(Database& db) {
  Statement st = db.Query("SELECT coalesce(max(ID), 0) FROM List");
  if (!st.Next()) {
    return Fail(st.error().kind, QStringLiteral("无法读取公告表"), st.error().FullText(),
                st.error().code);
  }
  return st.Int(0);
}

}  // namespace talvec
