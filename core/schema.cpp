#include "core/schema.h"

#include <sqlcipher/sqlite3.h>

#include <initializer_list>
#include <iterator>

#include "core/database.h"

namespace talvec {

namespace {

// Runs the statements in order; the first failure ends the run.
Result<void> RunAll(Database& db, std::initializer_list<Sql> statements) {
  for (Sql sql : statements) {
    if (Result<void> done = db.Execute(sql); !done) return done;
  }
  return {};
}

// Layout 1: the five tables.
Result<void> CreateTables(Database& db) {
  return RunAll(
      db, {"CREATE TABLE List(ID INTEGER PRIMARY KEY AUTOINCREMENT, MC TEXT, DZ TEXT, "
           "SJ TEXT, LX INTEGER, ZBXX TEXT)",
           "CREATE TABLE SysSet(researchlx TEXT, AutoAnalysis INTEGER, AttentionNotice TEXT, "
           "updatetime REAL, research INTEGER, Upgrade INTEGER, BeginTime TEXT, EndTime TEXT, "
           "ServerDZ TEXT, WebDZ TEXT, CollectionDate TEXT, UIType INTEGER, Version TEXT, "
           "AttentionProduct TEXT, AttentionPlace TEXT, AttentionTime REAL, "
           "AttentionSave REAL)",
           "CREATE TABLE Favorites(MC TEXT, DZ TEXT, SJ TEXT)",
           "CREATE TABLE Attention(MC TEXT, DZ TEXT, SJ TEXT, ZT TEXT)",
           "CREATE TABLE GYS(MC TEXT, GYS TEXT, JE TEXT)", "PRAGMA user_version=1"});
}

// Layout 2: an index for every look-up the program makes, and the record of
// the last complete cycle. Files of layout 1 may hold some of the indexes.
Result<void> AddIndexesAndCycleLog(Database& db) {
  // A title is stored once; the index also serves every look-up by title.
  if (Result<void> unique = db.Execute("CREATE UNIQUE INDEX IF NOT EXISTS List_MC ON List(MC)");
      !unique) {
    if (unique.error().code == SQLITE_CONSTRAINT) {
      unique.error().message = QStringLiteral("数据库中存在重复的公告标题，无法建立唯一索引。");
    }
    return unique;
  }
  return RunAll(db, {"CREATE INDEX IF NOT EXISTS List_SJ ON List(SJ, LX)",
                     // The result announcements still waiting for analysis, newest first.
                     "CREATE INDEX IF NOT EXISTS List_Queue ON List(SJ) "
                     "WHERE (LX=4 OR LX=9) AND (ZBXX IS NULL OR ZBXX='')",
                     "CREATE INDEX IF NOT EXISTS Favorites_MC ON Favorites(MC)",
                     "CREATE INDEX IF NOT EXISTS Attention_MC ON Attention(MC)",
                     "CREATE INDEX IF NOT EXISTS Attention_SJ ON Attention(SJ)",
                     "CREATE INDEX IF NOT EXISTS GYS_GYS ON GYS(GYS)",
                     "CREATE INDEX IF NOT EXISTS GYS_MC ON GYS(MC)",
                     "CREATE TABLE IF NOT EXISTS CycleLog(EndedAt TEXT, NewRows INTEGER)",
                     "PRAGMA user_version=2"});
}

// Layout 3: the versions whose update failed, with the cause and the time
// (update/update_failures.h); Awaiting is 1 while the updater's report is
// still to come.
Result<void> AddUpdateFailures(Database& db) {
  return RunAll(db, {"CREATE TABLE IF NOT EXISTS UpdateFailures(Version TEXT PRIMARY KEY, "
                     "Cause TEXT NOT NULL, FailedAt TEXT NOT NULL, "
                     "Awaiting INTEGER NOT NULL DEFAULT 0)",
                     "PRAGMA user_version=3"});
}

// Layout 4: what the windows keep between runs (core/ui_state.h).
Result<void> AddUiState(Database& db) {
  return RunAll(db,
                {"CREATE TABLE IF NOT EXISTS UiState(Key TEXT PRIMARY KEY NOT NULL, Value TEXT)",
                 "PRAGMA user_version=4"});
}

// Layout 5: the list channels whose reading a collection cycle left
// unfinished (collect/unfinished_channels.h holds its statements).
Result<void> AddUnfinishedChannels(Database& db) {
  return RunAll(db, {"CREATE TABLE IF NOT EXISTS UnfinishedChannels(Channel TEXT PRIMARY KEY, "
                     "SinceId INTEGER NOT NULL, ResumePage INTEGER NOT NULL, "
                     "ResumeFrom INTEGER NOT NULL, ResumeTo INTEGER NOT NULL)",
                     "PRAGMA user_version=5"});
}

// Layout 6: the key facts read from announcement pages, one row per title of List,
// and the changes their corrections state; indexes for the project look-ups,
// the deadlines and the reader's queue (the six types it reads, newest
// first, without a Facts row).
Result<void> AddFacts(Database& db) {
  return RunAll(
      db, {"CREATE TABLE IF NOT EXISTS Facts(MC TEXT UNIQUE, ReadAt TEXT, State INTEGER, "
           "ProjectNo TEXT, ProjectKey TEXT, ProjectName TEXT, Budget REAL, BudgetText TEXT, "
           "PriceCap REAL, PriceCapText TEXT, Buyer TEXT, BuyerContact TEXT, Agency TEXT, "
           "AgencyContact TEXT, ContactPerson TEXT, ContactPhone TEXT, DocsFrom TEXT, "
           "DocsUntil TEXT, Deadline TEXT, OpeningAt TEXT, OpeningPlace TEXT, Method TEXT)",
           "CREATE TABLE IF NOT EXISTS Corrections(MC TEXT, ProjectKey TEXT, Item TEXT, "
           "OldText TEXT, NewText TEXT, NewValue TEXT, CorrectedOn TEXT)",
           "CREATE INDEX IF NOT EXISTS Facts_ProjectKey ON Facts(ProjectKey)",
           "CREATE INDEX IF NOT EXISTS Facts_Deadline ON Facts(Deadline)",
           "CREATE INDEX IF NOT EXISTS Facts_Project ON Facts(ProjectName, Buyer, ProjectKey)",
           "CREATE INDEX IF NOT EXISTS Corrections_Key ON Corrections(ProjectKey, Item, "
           "CorrectedOn)",
           "CREATE INDEX IF NOT EXISTS Corrections_MC ON Corrections(MC)",
           "CREATE INDEX IF NOT EXISTS Corrections_Value ON Corrections(Item, NewValue)",
           "CREATE INDEX IF NOT EXISTS List_FactsQueue ON List(SJ, ID) "
           "WHERE LX IN (1, 2, 5, 6, 7, 10)",
           "PRAGMA user_version=6"});
}

// Layout 7: the deadline reminders given or due for the kept announcements
// (desk/reminders.h): one row per title, moment ("3d", "1d", "2h") and
// deadline; ShownAt once given. A few rows for each kept announcement, read
// whole at every check: no index.
Result<void> AddReminders(Database& db) {
  return RunAll(db, {"CREATE TABLE IF NOT EXISTS Reminders(MC TEXT, Moment TEXT, Deadline TEXT, "
                     "ShownAt TEXT)",
                     "PRAGMA user_version=7"});
}

// Layout 8: the watch rules a user adds beside the default one
// (watch/watch_rules.h holds their statements), and the name of the rule
// that put an entry on the watch list.
Result<void> AddWatchRules(Database& db) {
  if (Result<void> table = db.Execute(
          "CREATE TABLE IF NOT EXISTS WatchRules(ID INTEGER PRIMARY KEY, Name TEXT, "
          "Enabled INTEGER, Products TEXT, Places TEXT, Excludes TEXT, Types TEXT, "
          "MinBudget REAL, MaxBudget REAL, UnknownBudget INTEGER, Sound INTEGER, Popup INTEGER)");
      !table) {
    return table;
  }
  // Like the tables, the column may be there already (a file stamped back).
  bool present = false;
  Statement columns = db.Prepare("PRAGMA table_info(Attention)");
  while (columns.Next()) present = present || columns.Text(1) == QLatin1String("Rule");
  if (!columns.ok()) return Fail(columns.error());
  columns = Statement();
  if (!present) {
    if (Result<void> column = db.Execute("ALTER TABLE Attention ADD COLUMN Rule TEXT"); !column) {
      return column;
    }
  }
  return db.Execute("PRAGMA user_version=8");
}

// Step n takes a file from layout n - 1 to n and stamps n.
constexpr Result<void> (*kSteps[])(Database&) = {
    CreateTables, AddIndexesAndCycleLog, AddUpdateFailures, AddUiState, AddUnfinishedChannels,
    AddFacts,     AddReminders,          AddWatchRules};
static_assert(std::size(kSteps) == Database::kSchemaVersion,
              "one step for every layout up to kSchemaVersion");

Result<int> UserVersion(Database& db) {
  Statement st = db.Prepare("PRAGMA user_version");
  if (!st.Next()) {
    return Fail(st.ok() ? Error{Error::Kind::kOther, QStringLiteral("无法读取数据库版本"), {}}
                        : st.error());
  }
  return static_cast<int>(st.Int(0));
}

}  // namespace

Result<void> MigrateTo(Database& db, int version) {
  if (version < 1 || version > Database::kSchemaVersion) {
    return Fail(Error::Kind::kOther, QStringLiteral("没有第 %1 步升级").arg(version));
  }
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(tx.error());
  const Result<int> from = UserVersion(db);
  if (!from) return Fail(from.error());
  if (*from != version - 1) {
    return Fail(Error::Kind::kOther,
                QStringLiteral("数据库版本 %1 不能升级到版本 %2").arg(*from).arg(version));
  }
  if (Result<void> step = kSteps[version - 1](db); !step) return step;
  return tx.Commit();
}

Result<void> Migrate(Database& db) {
  const Result<int> at = UserVersion(db);
  if (!at) return Fail(at.error());
  int version = *at;
  if (version == Database::kSchemaVersion) return {};
  if (version < 1 || version > Database::kSchemaVersion) {
    return Fail(Error::Kind::kOther, QStringLiteral("数据库版本 %1 无法识别").arg(version));
  }
  // A step writes: while it runs, another program's brief hold on the file
  // is waited for as at open.
  db.SetBusyTimeout(Database::kOpenBusyTimeoutMs);
  Result<void> done;
  while (done && version < Database::kSchemaVersion) done = MigrateTo(db, ++version);
  db.SetBusyTimeout(Database::kBusyTimeoutMs);
  return done;
}

Result<void> CreateSchema(Database& db, int version) {
  if (version < 1 || version > Database::kSchemaVersion) {
    return Fail(Error::Kind::kOther, QStringLiteral("没有第 %1 版的数据库结构").arg(version));
  }
  for (int step = 1; step <= version; ++step) {
    if (Result<void> done = MigrateTo(db, step); !done) return done;
  }
  return {};
}

std::optional<std::pair<QString, int>> ReadLastCycle(Database& db) {
  Statement st = db.Query("SELECT EndedAt, NewRows FROM CycleLog ORDER BY rowid DESC LIMIT 1");
  if (!st.Next()) return std::nullopt;
  return std::pair<QString, int>(st.Text(0), static_cast<int>(st.Int(1)));
}

Result<void> WriteLastCycle(Database& db, const QString& ended_at, int new_rows) {
  // One statement, so that the row is replaced whole; the table keeps one row.
  return db.Execute("INSERT OR REPLACE INTO CycleLog(rowid, EndedAt, NewRows) VALUES(1, ?, ?)",
                    ended_at, new_rows);
}

Result<void> InsertDeliveredSettings(Database& db, const QDate& today) {
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
