#include "core/schema.h"

#include <sqlcipher/sqlite3.h>

#include <iterator>

#include "core/database.h"

namespace talvec {

namespace {

// Layout 1: the five tables.
bool CreateTables(Database& db) {
  return db.Execute(
             "CREATE TABLE List(ID INTEGER PRIMARY KEY AUTOINCREMENT, MC TEXT, DZ TEXT, "
             "SJ TEXT, LX INTEGER, ZBXX TEXT)") &&
         db.Execute(
             "CREATE TABLE SysSet(researchlx TEXT, AutoAnalysis INTEGER, AttentionNotice TEXT, "
             "updatetime REAL, research INTEGER, Upgrade INTEGER, BeginTime TEXT, EndTime TEXT, "
             "ServerDZ TEXT, WebDZ TEXT, CollectionDate TEXT, UIType INTEGER, Version TEXT, "
             "AttentionProduct TEXT, AttentionPlace TEXT, AttentionTime REAL, "
             "AttentionSave REAL)") &&
         db.Execute("CREATE TABLE Favorites(MC TEXT, DZ TEXT, SJ TEXT)") &&
         db.Execute("CREATE TABLE Attention(MC TEXT, DZ TEXT, SJ TEXT, ZT TEXT)") &&
         db.Execute("CREATE TABLE GYS(MC TEXT, GYS TEXT, JE TEXT)") &&
         db.Execute("PRAGMA user_version=1");
}

// Layout 2: an index for every look-up the program makes, and the record of
// the last complete cycle. Files of layout 1 may hold some of the indexes.
bool AddIndexesAndCycleLog(Database& db) {
  // A title is stored once; the index also serves every look-up by title.
  if (!db.Execute("CREATE UNIQUE INDEX IF NOT EXISTS List_MC ON List(MC)")) {
    if (db.LastErrorCode() == SQLITE_CONSTRAINT) {
      db.SetLastErrorText(QStringLiteral("数据库中存在重复的公告标题，无法建立唯一索引"));
    }
    return false;
  }
  return db.Execute("CREATE INDEX IF NOT EXISTS List_SJ ON List(SJ, LX)") &&
         // The result announcements still waiting for analysis, newest first.
         db.Execute(
             "CREATE INDEX IF NOT EXISTS List_Queue ON List(SJ) "
             "WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='')") &&
         db.Execute("CREATE INDEX IF NOT EXISTS Favorites_MC ON Favorites(MC)") &&
         db.Execute("CREATE INDEX IF NOT EXISTS Attention_MC ON Attention(MC)") &&
         db.Execute("CREATE INDEX IF NOT EXISTS Attention_SJ ON Attention(SJ)") &&
         db.Execute("CREATE INDEX IF NOT EXISTS GYS_GYS ON GYS(GYS)") &&
         db.Execute("CREATE INDEX IF NOT EXISTS GYS_MC ON GYS(MC)") &&
         db.Execute("CREATE TABLE IF NOT EXISTS CycleLog(EndedAt TEXT, NewRows INTEGER)") &&
         db.Execute("PRAGMA user_version=2");
}

// Layout 3: the versions whose update failed, with the cause and the time
// (update/update_failures.h); Awaiting is 1 while the updater's report is
// still to come.
bool AddUpdateFailures(Database& db) {
  return db.Execute(
             "CREATE TABLE IF NOT EXISTS UpdateFailures(Version TEXT PRIMARY KEY, "
             "Cause TEXT NOT NULL, FailedAt TEXT NOT NULL, Awaiting INTEGER NOT NULL DEFAULT 0)") &&
         db.Execute("PRAGMA user_version=3");
}

// Layout 4: what the windows keep between runs (core/ui_state.h).
bool AddUiState(Database& db) {
  return db.Execute(
             "CREATE TABLE IF NOT EXISTS UiState(Key TEXT PRIMARY KEY NOT NULL, Value TEXT)") &&
         db.Execute("PRAGMA user_version=4");
}

// Layout 5: the list channels whose reading a collection cycle left
// unfinished (collect/unfinished_channels.h holds its statements).
bool AddUnfinishedChannels(Database& db) {
  return db.Execute(
             "CREATE TABLE IF NOT EXISTS UnfinishedChannels(Channel TEXT PRIMARY KEY, "
             "SinceId INTEGER NOT NULL, ResumePage INTEGER NOT NULL, ResumeFrom INTEGER NOT NULL, "
             "ResumeTo INTEGER NOT NULL)") &&
         db.Execute("PRAGMA user_version=5");
}

// Layout 6: the key facts read from announcement pages, one row per title of List,
// and the changes their corrections state; indexes for the project look-ups,
// the deadlines and the reader's queue (the six types it reads, newest
// first, without a Facts row).
bool AddFacts(Database& db) {
  return db.Execute(
             "CREATE TABLE IF NOT EXISTS Facts(MC TEXT UNIQUE, ReadAt TEXT, State INTEGER, "
             "ProjectNo TEXT, ProjectKey TEXT, ProjectName TEXT, Budget REAL, BudgetText TEXT, "
             "PriceCap REAL, PriceCapText TEXT, Buyer TEXT, BuyerContact TEXT, Agency TEXT, "
             "AgencyContact TEXT, ContactPerson TEXT, ContactPhone TEXT, DocsFrom TEXT, "
             "DocsUntil TEXT, Deadline TEXT, OpeningAt TEXT, OpeningPlace TEXT, Method TEXT)") &&
         db.Execute(
             "CREATE TABLE IF NOT EXISTS Corrections(MC TEXT, ProjectKey TEXT, Item TEXT, "
             "OldText TEXT, NewText TEXT, NewValue TEXT, CorrectedOn TEXT)") &&
         db.Execute("CREATE INDEX IF NOT EXISTS Facts_ProjectKey ON Facts(ProjectKey)") &&
         db.Execute("CREATE INDEX IF NOT EXISTS Facts_Deadline ON Facts(Deadline)") &&
         db.Execute(
             "CREATE INDEX IF NOT EXISTS Facts_Project ON Facts(ProjectName, Buyer, ProjectKey)") &&
         db.Execute(
             "CREATE INDEX IF NOT EXISTS Corrections_Key ON Corrections(ProjectKey, Item, "
             "CorrectedOn)") &&
         db.Execute("CREATE INDEX IF NOT EXISTS Corrections_MC ON Corrections(MC)") &&
         db.Execute(
             "CREATE INDEX IF NOT EXISTS Corrections_Value ON Corrections(Item, NewValue)") &&
         db.Execute(
             "CREATE INDEX IF NOT EXISTS List_FactsQueue ON List(SJ, ID) "
             "WHERE LX IN (1, 2, 5, 6, 7, 10)") &&
         db.Execute("PRAGMA user_version=6");
}

// Step n takes a file from layout n - 1 to n and stamps n.
constexpr bool (*kSteps[])(Database&) = {CreateTables,          AddIndexesAndCycleLog,
                                         AddUpdateFailures,     AddUiState,
                                         AddUnfinishedChannels, AddFacts};
static_assert(std::size(kSteps) == Database::kSchemaVersion,
              "one step for every layout up to kSchemaVersion");

int UserVersion(Database& db) {
  const QVariant version = db.Scalar("PRAGMA user_version");
  return version.isValid() ? version.toInt() : -1;
}

}  // namespace

bool MigrateTo(Database& db, int version) {
  if (version < 1 || version > Database::kSchemaVersion) return false;
  Database::Transaction tx(db);
  if (!tx.active()) return false;
  const int from = UserVersion(db);
  if (from != version - 1) {
    if (from >= 0) {
      db.SetLastErrorText(QStringLiteral("数据库版本 %1 不能升级到版本 %2").arg(from).arg(version));
    }
    return false;
  }
  return kSteps[version - 1](db) && tx.Commit();
}

bool Migrate(Database& db) {
  int version = UserVersion(db);
  if (version < 0) return false;
  if (version == Database::kSchemaVersion) return true;
  if (version < 1 || version > Database::kSchemaVersion) {
    db.SetLastErrorText(QStringLiteral("数据库版本 %1 无法识别").arg(version));
    return false;
  }
  // A step writes: while it runs, another program's brief hold on the file
  // is waited for as at open.
  db.SetBusyTimeout(Database::kOpenBusyTimeoutMs);
  bool ok = true;
  while (ok && version < Database::kSchemaVersion) ok = MigrateTo(db, ++version);
  db.SetBusyTimeout(Database::kBusyTimeoutMs);
  return ok;
}

bool CreateSchema(Database& db, int version) {
  if (version < 1 || version > Database::kSchemaVersion) return false;
  for (int step = 1; step <= version; ++step) {
    if (!MigrateTo(db, step)) return false;
  }
  return true;
}

std::optional<std::pair<QString, int>> ReadLastCycle(Database& db) {
  Statement st = db.Query("SELECT EndedAt, NewRows FROM CycleLog ORDER BY rowid DESC LIMIT 1");
  if (!st.Next()) return std::nullopt;
  return std::pair<QString, int>(st.Text(0), static_cast<int>(st.Int(1)));
}

bool WriteLastCycle(Database& db, const QString& ended_at, int new_rows) {
  // One statement, so that the row is replaced whole; the table keeps one row.
  return db.Execute("INSERT OR REPLACE INTO CycleLog(rowid, EndedAt, NewRows) VALUES(1, ?, ?)",
                    ended_at, new_rows);
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
