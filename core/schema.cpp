#include "core/schema.h"

#include "core/database.h"

namespace talvec {

bool EnsureIndexes(Database& db) {
  return
      // A title is stored once; the index also serves every look-up by title.
      db.Execute("CREATE UNIQUE INDEX IF NOT EXISTS List_MC ON List(MC)") &&
      db.Execute("CREATE INDEX IF NOT EXISTS List_SJ ON List(SJ, LX)") &&
      // The result announcements still waiting for analysis, newest first.
      db.Execute(
          "CREATE INDEX IF NOT EXISTS List_Queue ON List(SJ) "
          "WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='')") &&
      db.Execute("CREATE INDEX IF NOT EXISTS Favorites_MC ON Favorites(MC)") &&
      db.Execute("CREATE INDEX IF NOT EXISTS Attention_MC ON Attention(MC)") &&
      db.Execute("CREATE INDEX IF NOT EXISTS Attention_SJ ON Attention(SJ)") &&
      db.Execute("CREATE INDEX IF NOT EXISTS GYS_GYS ON GYS(GYS)") &&
      db.Execute("CREATE INDEX IF NOT EXISTS GYS_MC ON GYS(MC)");
}

bool CreateSchema(Database& db) {
  Database::Transaction tx(db);
  const bool ok =
      db.Execute(
          "CREATE TABLE List(ID INTEGER PRIMARY KEY AUTOINCREMENT, MC TEXT, DZ TEXT, "
          "SJ TEXT, LX INTEGER, ZBXX TEXT)") &&
      db.Execute(
          "CREATE TABLE SysSet(researchlx TEXT, AutoAnalysis INTEGER, AttentionNotice TEXT, "
          "updatetime REAL, research INTEGER, Upgrade INTEGER, BeginTime TEXT, EndTime TEXT, "
          "ServerDZ TEXT, WebDZ TEXT, CollectionDate TEXT, UIType INTEGER, Version TEXT, "
          "AttentionProduct TEXT, AttentionPlace TEXT, AttentionTime REAL, AttentionSave REAL)") &&
      db.Execute("CREATE TABLE Favorites(MC TEXT, DZ TEXT, SJ TEXT)") &&
      db.Execute("CREATE TABLE Attention(MC TEXT, DZ TEXT, SJ TEXT, ZT TEXT)") &&
      db.Execute("CREATE TABLE GYS(MC TEXT, GYS TEXT, JE TEXT)") && EnsureIndexes(db) &&
      db.Execute("PRAGMA user_version=1");
  return ok && tx.Commit();
}

bool InsertDeliveredSettings(Database& db, const QDate& today) {
  // Every channel on, collection around the clock every ten minutes, result
  // analysis on, upgrades by hand, both sites on the local simulator, the
  // pop-up notice on and the sound off, and watched words narrow enough
  // that a new user is not flooded with notices.
  return db.Execute(
      "INSERT INTO SysSet(researchlx, AutoAnalysis, AttentionNotice, updatetime, research, "
      "Upgrade, BeginTime, EndTime, ServerDZ, WebDZ, CollectionDate, UIType, Version, "
      "AttentionProduct, AttentionPlace, AttentionTime, AttentionSave) "
      "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
      "t,t,t,t,t,t,t,t,t,t", 1, "1,0", 10.0, 1, 2, "00:00:00", "23:59:59", "127.0.0.1:8181",
      "127.0.0.1:8181", today.addDays(-7).toString(QStringLiteral("yyyy-MM-dd")), 1, "1.01.0020",
      "监控 空调 电脑", "成都", 7.0, 30.0);
}

}  // namespace talvec

namespace talvec {
std::optional<std::pair<QString, int>> ReadLastCycle(Database& db) {
  Statement st = db.Prepare("SELECT EndedAt, NewRows FROM CycleLog LIMIT 1");
  if (!st.Next()) return std::nullopt;
  return std::make_pair(st.Text(0), static_cast<int>(st.Int(1)));
}
bool WriteLastCycle(Database& db, const QString& ended_at, int new_rows) {
  Database::Transaction tx(db);
  return db.Execute("DELETE FROM CycleLog") &&
         db.Execute("INSERT INTO CycleLog(EndedAt, NewRows) VALUES(?,?)", ended_at, new_rows) &&
         tx.Commit();
}
}  // namespace talvec
