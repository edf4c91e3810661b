#include "facts/facts_store.h"

#include <QSet>
#include <algorithm>
#include <QVariant>

#include "core/database.h"
#include "core/text.h"

namespace talvec {
namespace {

// Texts from outside are cut to this many characters before they are stored.
constexpr qsizetype kMaxText = 255;

QVariant OrNull(const QString& text) {
  return text.isEmpty() ? QVariant() : QVariant(CutChars(text, kMaxText));
}
QVariant OrNull(std::optional<double> value) { return value ? QVariant(*value) : QVariant(); }

std::optional<double> Amount(const Statement& st, int column) {
  if (st.IsNull(column)) return std::nullopt;
  return st.Double(column);
}

Error StatementError(const QString& what, const Statement& st) {
  return MakeError(st.error().kind, what, st.error().FullText(), st.error().code);
}

// The newest correction of ITEM that applies to the announcement row `f`:
// same project number, or (where either has none) the same project name and
// buyer. Newest: the latest CorrectedOn, then the later row (OrderSameDay
// keeps a day's corrections of a project in the site's order). Each side
// gives its newest as one comparable text (the date, the List ID, the
// value), the larger wins, and the value is cut out of it: no sort and no
// compound query for each row. CROSS JOIN keeps the planner on the name
// index (without statistics it would rather walk every correction).
// clang-format off
#define TALVEC_CORRECTION_KEY                                                                 \
  "substr(IFNULL(c.CorrectedOn, '') || '          ', 1, 10) || '|' || "                      \
  "printf('%015d', c.rowid) || '|' || c.NewValue"
#define TALVEC_BY_NAME(ITEM, KEYLESS)                                                         \
  "(SELECT max(" TALVEC_CORRECTION_KEY ") FROM Facts g CROSS JOIN Corrections c "             \
  "ON c.MC = g.MC WHERE g.ProjectName = f.ProjectName "                                      \
  "AND g.Buyer = f.Buyer " KEYLESS " AND c.Item = '" ITEM "' AND c.NewValue IS NOT NULL)"
#define TALVEC_NEWEST_CORRECTION(ITEM)                                                        \
  "NULLIF(substr(max(IFNULL((SELECT max(" TALVEC_CORRECTION_KEY ") FROM Corrections c "       \
  "WHERE c.ProjectKey = f.ProjectKey AND c.Item = '" ITEM "' "                                 \
  "AND c.NewValue IS NOT NULL), ''), IFNULL(CASE WHEN f.ProjectKey IS NULL THEN "              \
  TALVEC_BY_NAME(ITEM, "") " ELSE " TALVEC_BY_NAME(ITEM, "AND g.ProjectKey IS NULL")         \
  " END, '')), 28), '')"
// clang-format on

// The effective values of the announcement row `f`.
#define TALVEC_EFFECTIVE_DEADLINE \
  "COALESCE(" TALVEC_NEWEST_CORRECTION("Deadline") ", f.Deadline) AS EffDeadline"
#define TALVEC_EFFECTIVE_BUDGET \
  "COALESCE(CAST(" TALVEC_NEWEST_CORRECTION("Budget") " AS REAL), f.Budget) AS EffBudget"

// Columns of a Facts row in FactsRow order.
#define TALVEC_FACTS_COLUMNS                                                                \
  "MC, ReadAt, State, ProjectNo, ProjectKey, ProjectName, Budget, BudgetText, PriceCap, "   \
  "PriceCapText, Buyer, BuyerContact, Agency, AgencyContact, ContactPerson, ContactPhone, " \
  "DocsFrom, DocsUntil, Deadline, OpeningAt, OpeningPlace, Method"

FactsRow RowOf(const Statement& st) {
  FactsRow row;
  int c = 0;
  row.title = st.Text(c++);
  row.read_at = st.Text(c++);
  row.state = static_cast<FactsState>(st.Int(c++));
  row.project_no = st.Text(c++);
  row.project_key = st.Text(c++);
  row.project_name = st.Text(c++);
  row.budget = Amount(st, c++);
  row.budget_text = st.Text(c++);
  row.price_cap = Amount(st, c++);
  row.price_cap_text = st.Text(c++);
  row.buyer = st.Text(c++);
  row.buyer_contact = st.Text(c++);
  row.agency = st.Text(c++);
  row.agency_contact = st.Text(c++);
  row.contact_person = st.Text(c++);
  row.contact_phone = st.Text(c++);
  row.docs_from = st.Text(c++);
  row.docs_until = st.Text(c++);
  row.deadline = st.Text(c++);
  row.opening_at = st.Text(c++);
  row.opening_place = st.Text(c++);
  row.method = st.Text(c++);
  return row;
}

// Columns of a ProjectEntry: the announcement (l) and its facts (f).
#define TALVEC_ENTRY_COLUMNS "l.MC, l.DZ, l.SJ, l.LX, f.State, f.ProjectKey, f.ProjectName, f.Buyer"

ProjectEntry EntryOf(const Statement& st, int c = 0) {
  ProjectEntry e;
  e.title = st.Text(c);
  e.address = st.Text(c + 1);
  e.date = st.Text(c + 2);
  e.type = static_cast<int>(st.Int(c + 3));
  e.state = static_cast<FactsState>(st.Int(c + 4));
  e.project_key = st.Text(c + 5);
  e.project_name = st.Text(c + 6);
  e.buyer = st.Text(c + 7);
  return e;
}

// The row whose values a project's corrections apply to: the title's own
// when it states a time of its own, else the newest announcement of its
// project that does. Its rowid, or nothing.
Result<std::optional<qint64>> AnnouncementRow(Database& db, const QString& title) {
  Statement own = db.Query(
      "SELECT rowid, ProjectKey, ProjectName, Buyer, "
      "Deadline IS NOT NULL OR OpeningAt IS NOT NULL OR DocsUntil IS NOT NULL "
      "FROM Facts WHERE MC = ?",
      title);
  if (!own.Next()) {
    if (!own.ok()) return Fail(StatementError(QStringLiteral("读取公告要素失败"), own));
    return std::optional<qint64>();
  }
  if (own.Int(4)) return std::optional<qint64>(own.Int(0));
  const QString key = own.Text(1), name = own.Text(2), buyer = own.Text(3);
  const qint64 self = own.Int(0);
  Statement other = db.Query(
      "SELECT f.rowid FROM Facts f JOIN List l ON l.MC = f.MC "
      "WHERE f.Deadline IS NOT NULL AND ((?1 <> '' AND f.ProjectKey = ?1) OR "
      "(?2 <> '' AND ?3 <> '' AND f.ProjectName = ?2 AND f.Buyer = ?3 AND "
      "(f.ProjectKey IS NULL OR ?1 = ''))) "
      "ORDER BY l.SJ DESC, l.ID DESC LIMIT 1",
      key, name, buyer);
  if (other.Next()) return std::optional<qint64>(other.Int(0));
  if (!other.ok()) return Fail(StatementError(QStringLiteral("读取项目公告失败"), other));
  return std::optional<qint64>(self);
}

// A day's corrections of one project are kept in the table in the order
// the site lists them, the newest last, so that the later row is the newer
// correction. Where a page's old value of an item is another's new value
// ("原…：X，更正为：Y" after "…更正为：X"), the pages tell the order
// themselves; otherwise the later in List counts as the newer, as every list
// of the program shows them. Rewrites the day's rows when they are out of
// that order.
Result<> OrderSameDay(Database& db, const QString& key, const QString& day) {
  struct Page {
    QString title;
    qint64 list_id = 0;
    QList<CorrectionRow> rows;
  };
  // More corrections of a project on one day than any site publishes: left
  // in the order they were read.
  constexpr qsizetype kMaxPages = 32;
  Statement st = db.Query(
      "SELECT c.MC, c.ProjectKey, c.Item, c.OldText, c.NewText, c.NewValue, c.CorrectedOn, "
      "IFNULL((SELECT l.ID FROM List l WHERE l.MC = c.MC), 0) FROM Corrections c "
      "WHERE c.ProjectKey = ? AND c.CorrectedOn = ? ORDER BY c.rowid",
      key, day);
  QList<Page> pages;
  while (st.Next()) {
    const QString title = st.Text(0);
    if (pages.isEmpty() || pages.last().title != title) {
      if (pages.size() >= kMaxPages) return {};
      pages.append({title, st.Int(7), {}});
    }
    pages.last().rows.append(
        {title, st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5), st.Text(6)});
  }
  if (!st.ok()) return Fail(StatementError(QStringLiteral("读取更正事项失败"), st));
  if (pages.size() < 2) return {};
  // `a` follows `b`: one of a's old values is b's new value of that item.
  auto follows = [](const Page& a, const Page& b) {
    for (const CorrectionRow& ra : a.rows) {
      const QString old = ChangeValue(ra.item, ra.old_text);
      if (old.isEmpty()) continue;
      for (const CorrectionRow& rb : b.rows) {
        if (rb.item == ra.item && rb.new_value == old) return true;
      }
    }
    return false;
  };
  auto newer = [&](const Page& a, const Page& b) {
    const bool ab = follows(a, b), ba = follows(b, a);
    if (ab != ba) return ab;
    return a.list_id > b.list_id;
  };
  QList<Page> order = pages;
  std::stable_sort(order.begin(), order.end(),
                   [](const Page& a, const Page& b) { return a.list_id < b.list_id; });
  for (qsizetype pass = 0; pass < order.size(); ++pass) {
    bool moved = false;
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
      if (newer(order[i], order[i + 1])) {
        order.swapItemsAt(i, i + 1);
        moved = true;
      }
    }
    if (!moved) break;
  }
  bool same = true;
  for (qsizetype i = 0; i < order.size(); ++i) same = same && order[i].title == pages[i].title;
  if (same) return {};
  Statement clear =
      db.Query("DELETE FROM Corrections WHERE ProjectKey = ? AND CorrectedOn = ?", key, day);
  if (!clear.Run()) return Fail(StatementError(QStringLiteral("写入更正事项失败"), clear));
  Statement insert = db.Prepare(
      "INSERT INTO Corrections(MC, ProjectKey, Item, OldText, NewText, NewValue, CorrectedOn) "
      "VALUES(?,?,?,?,?,?,?)");
  for (const Page& page : order) {
    for (const CorrectionRow& r : page.rows) {
      insert.Reset();
      insert.BindAll(r.title, OrNull(r.project_key), r.item, OrNull(r.old_text),
                     OrNull(r.new_text), OrNull(r.new_value), OrNull(r.corrected_on));
      if (!insert.Run()) return Fail(StatementError(QStringLiteral("写入更正事项失败"), insert));
    }
  }
  return {};
}

}  // namespace

Result<> WritePageFacts(Database& db, const QString& title, const PageFacts& facts,
                        const QString& list_date, const QDateTime& read_at) {
  Database::Transaction tx(db);
  if (!tx.active())
    return Fail(Error::Kind::kBusy, QStringLiteral("无法写入公告要素"), QStringLiteral("事务无法开始"));
  const FactsState state = facts.HasFacts() ? FactsState::kRead : FactsState::kNoFacts;
  Statement row =
      db.Query("INSERT OR REPLACE INTO Facts(" TALVEC_FACTS_COLUMNS
               ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
               title, read_at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
               static_cast<int>(state), OrNull(facts.project_no), OrNull(facts.project_key),
               OrNull(facts.project_name), OrNull(facts.budget), OrNull(facts.budget_text),
               OrNull(facts.price_cap), OrNull(facts.price_cap_text), OrNull(facts.buyer),
               OrNull(facts.buyer_contact), OrNull(facts.agency), OrNull(facts.agency_contact),
               OrNull(facts.contact_person), OrNull(facts.contact_phone), OrNull(facts.docs_from),
               OrNull(facts.docs_until), OrNull(facts.deadline), OrNull(facts.opening_at),
               OrNull(facts.opening_place), OrNull(facts.method));
  if (!row.Run()) return Fail(StatementError(QStringLiteral("写入公告要素失败"), row));
  Statement clear = db.Query("DELETE FROM Corrections WHERE MC = ?", title);
  if (!clear.Run()) return Fail(StatementError(QStringLiteral("写入更正事项失败"), clear));
  const QString corrected_on = facts.corrected_on.isEmpty() ? list_date : facts.corrected_on;
  Statement insert = db.Prepare(
      "INSERT INTO Corrections(MC, ProjectKey, Item, OldText, NewText, NewValue, CorrectedOn) "
      "VALUES(?,?,?,?,?,?,?)");
  for (const FactChange& change : facts.changes) {
    insert.Reset();
    insert.BindAll(title, OrNull(facts.project_key), change.item, OrNull(change.old_text),
                   OrNull(change.new_text), OrNull(change.new_value), OrNull(corrected_on));
    if (!insert.Run()) return Fail(StatementError(QStringLiteral("写入更正事项失败"), insert));
  }
  if (!facts.changes.isEmpty() && !facts.project_key.isEmpty() && !corrected_on.isEmpty()) {
    if (const Result<> ordered = OrderSameDay(db, facts.project_key, corrected_on); !ordered)
      return ordered;
  }
  if (!tx.Commit())
    return Fail(Error::Kind::kBusy, QStringLiteral("无法写入公告要素"), QStringLiteral("事务无法提交"));
  return {};
}

Result<> WriteFactsFailed(Database& db, const QString& title, const QDateTime& read_at) {
  Statement st = db.Query("INSERT OR IGNORE INTO Facts(MC, ReadAt, State) VALUES(?, ?, ?)", title,
                          read_at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                          static_cast<int>(FactsState::kFailed));
  if (!st.Run()) return Fail(StatementError(QStringLiteral("写入公告要素失败"), st));
  return {};
}

Result<std::optional<FactsRow>> ReadFacts(Database& db, const QString& title) {
  Statement st = db.Query("SELECT " TALVEC_FACTS_COLUMNS " FROM Facts WHERE MC = ?", title);
  if (st.Next()) return std::optional<FactsRow>(RowOf(st));
  if (!st.ok()) return Fail(StatementError(QStringLiteral("读取公告要素失败"), st));
  return std::optional<FactsRow>();
}

Result<EffectiveFacts> ReadEffectiveFacts(Database& db, const QString& title) {
  const Result<std::optional<qint64>> row = AnnouncementRow(db, title);
  if (!row) return Fail(row.error());
  EffectiveFacts facts;
  if (!*row) return facts;
  Statement st =
      db.Query("SELECT f.MC, " TALVEC_EFFECTIVE_DEADLINE
               ", COALESCE(" TALVEC_NEWEST_CORRECTION("OpeningAt") ", f.OpeningAt), "
               "COALESCE(" TALVEC_NEWEST_CORRECTION("DocsUntil") ", f.DocsUntil), "
               TALVEC_EFFECTIVE_BUDGET ", " TALVEC_NEWEST_CORRECTION("Deadline") " IS NOT NULL "
               "FROM Facts f WHERE f.rowid = ?",
               static_cast<std::int64_t>(**row));
  if (!st.Next()) {
    if (!st.ok()) return Fail(StatementError(QStringLiteral("读取有效截止时间失败"), st));
    return facts;
  }
  facts.announcement = st.Text(0);
  facts.deadline = st.Text(1);
  facts.opening_at = st.Text(2);
  facts.docs_until = st.Text(3);
  facts.budget = Amount(st, 4);
  facts.deadline_corrected = st.Int(5) != 0;
  return facts;
}

Result<QList<CorrectionRow>> ReadProjectCorrections(Database& db, const QString& title) {
  Statement st = db.Query(
      "SELECT c.MC, c.ProjectKey, c.Item, c.OldText, c.NewText, c.NewValue, c.CorrectedOn "
      "FROM Corrections c WHERE c.rowid IN ("
      "SELECT c.rowid FROM Facts f CROSS JOIN Corrections c ON c.ProjectKey = f.ProjectKey "
      "WHERE f.MC = ?1 "
      "UNION SELECT rowid FROM Corrections WHERE MC = ?1 "
      "UNION SELECT c.rowid FROM Facts f CROSS JOIN Facts g CROSS JOIN Corrections c "
      "ON g.ProjectName = f.ProjectName AND g.Buyer = f.Buyer AND c.MC = g.MC "
      "WHERE f.MC = ?1 AND (g.ProjectKey IS NULL OR f.ProjectKey IS NULL)) "
      "ORDER BY c.CorrectedOn DESC, (SELECT min(x.rowid) FROM Corrections x WHERE x.MC = c.MC) "
      "DESC, c.rowid",
      title);
  QList<CorrectionRow> rows;
  while (st.Next()) {
    rows.append(
        {st.Text(0), st.Text(1), st.Text(2), st.Text(3), st.Text(4), st.Text(5), st.Text(6)});
  }
  if (!st.ok()) return Fail(StatementError(QStringLiteral("读取更正事项失败"), st));
  return rows;
}

Result<QList<ProjectEntry>> ReadTimeline(Database& db, const QString& title) {
  Statement own =
      db.Query("SELECT f.ProjectKey, f.ProjectName, f.Buyer FROM Facts f WHERE f.MC = ?", title);
  QString key, name, buyer;
  if (own.Next()) {
    key = own.Text(0);
    name = own.Text(1);
    buyer = own.Text(2);
  } else if (!own.ok()) {
    return Fail(StatementError(QStringLiteral("读取项目失败"), own));
  }
  if (key.isEmpty() && !name.isEmpty() && !buyer.isEmpty()) {
    // Without a number: the project of the same name and buyer, when those
    // name exactly one numbered project; else only the others without one.
    Statement keys = db.Query(
        "SELECT DISTINCT ProjectKey FROM Facts WHERE ProjectName = ? AND Buyer = ? "
        "AND ProjectKey IS NOT NULL LIMIT 2",
        name, buyer);
    QStringList found;
    while (keys.Next()) found << keys.Text(0);
    if (!keys.ok()) return Fail(StatementError(QStringLiteral("读取项目失败"), keys));
    if (found.size() == 1) key = found.first();
  }
  Statement st = db.Query(
      "SELECT " TALVEC_ENTRY_COLUMNS
      " FROM Facts f JOIN List l ON l.MC = f.MC WHERE f.rowid IN ("
      "SELECT rowid FROM Facts WHERE MC = ?1 "
      "UNION SELECT rowid FROM Facts WHERE ?2 <> '' AND ProjectKey = ?2 "
      "UNION SELECT g.rowid FROM Facts k CROSS JOIN Facts g ON g.ProjectName = k.ProjectName "
      "AND g.Buyer = k.Buyer WHERE ?2 <> '' AND k.ProjectKey = ?2 AND g.ProjectKey IS NULL "
      "UNION SELECT rowid FROM Facts WHERE ?2 = '' AND ?3 <> '' AND ?4 <> '' "
      "AND ProjectName = ?3 AND Buyer = ?4 AND ProjectKey IS NULL) "
      "ORDER BY l.SJ, l.ID",
      title, key, name, buyer);
  QList<ProjectEntry> entries;
  while (st.Next()) entries.append(EntryOf(st));
  if (!st.ok()) return Fail(StatementError(QStringLiteral("读取项目时间线失败"), st));
  if (entries.isEmpty()) {  // no facts yet: the announcement alone
    Statement list = db.Query("SELECT MC, DZ, SJ, LX FROM List WHERE MC = ?", title);
    if (list.Next()) {
      ProjectEntry e;
      e.title = list.Text(0);
      e.address = list.Text(1);
      e.date = list.Text(2);
      e.type = static_cast<int>(list.Int(3));
      e.state = FactsState::kNoFacts;
      entries.append(e);
    } else if (!list.ok()) {
      return Fail(StatementError(QStringLiteral("读取公告失败"), list));
    }
  }
  return entries;
}

Result<QHash<QString, ListFacts>> ReadListFacts(Database& db, const QStringList& titles) {
  QHash<QString, ListFacts> facts;
  if (titles.isEmpty()) return facts;
  Statement st = db.Prepare("SELECT " TALVEC_EFFECTIVE_DEADLINE ", " TALVEC_EFFECTIVE_BUDGET
                            " FROM Facts f WHERE f.MC = ? AND f.State = 1");
  for (const QString& title : titles) {
    st.Reset();
    st.BindAll(title);
    if (st.Next()) facts.insert(title, ListFacts{Amount(st, 1), st.Text(0)});
    if (!st.ok()) return Fail(StatementError(QStringLiteral("读取公告要素失败"), st));
  }
  return facts;
}

Result<QHash<QString, PartyFacts>> ReadPartyFacts(Database& db, const QStringList& titles) {
  QHash<QString, PartyFacts> parties;
  if (titles.isEmpty()) return parties;
  Statement st =
      db.Prepare("SELECT Buyer, Agency, ContactPerson, ContactPhone FROM Facts WHERE MC = ?");
  for (const QString& title : titles) {
    st.Reset();
    st.BindAll(title);
    if (st.Next()) parties.insert(title, {st.Text(0), st.Text(1), st.Text(2), st.Text(3)});
    if (!st.ok()) return Fail(StatementError(QStringLiteral("读取公告要素失败"), st));
  }
  return parties;
}

Result<QList<OpenTender>> ReadOpenTenders(Database& db, const QString& now, int limit) {
  // Candidates: a deadline of their own from today on, or a project whose
  // correction moved its deadline there (the effective deadline is one of
  // those values); then the effective deadline decides. A deadline without
  // a time of day lasts until the day's end. (LIMIT -1 keeps the inner
  // select apart, so each effective value is worked out once per row.)
  Statement st = db.Query(
      "SELECT * FROM (SELECT " TALVEC_ENTRY_COLUMNS ", l.ID AS ListID, " TALVEC_EFFECTIVE_DEADLINE
      ", " TALVEC_EFFECTIVE_BUDGET ", f.Deadline AS OwnDeadline"
      " FROM Facts f JOIN List l ON l.MC = f.MC WHERE f.rowid IN ("
      "SELECT rowid FROM Facts WHERE Deadline >= substr(?1, 1, 10) "
      "UNION SELECT g.rowid FROM Corrections c JOIN Facts g ON g.ProjectKey = c.ProjectKey "
      "WHERE c.Item = 'Deadline' AND c.NewValue >= substr(?1, 1, 10) AND g.Deadline IS NOT NULL "
      "UNION SELECT g.rowid FROM Corrections c JOIN Facts h ON h.MC = c.MC JOIN Facts g "
      "ON g.ProjectName = h.ProjectName AND g.Buyer = h.Buyer WHERE c.Item = 'Deadline' "
      "AND c.NewValue >= substr(?1, 1, 10) AND g.Deadline IS NOT NULL "
      "AND (h.ProjectKey IS NULL OR g.ProjectKey IS NULL)) LIMIT -1) e "
      "WHERE e.EffDeadline || CASE WHEN length(e.EffDeadline) = 10 THEN ' 24:00' ELSE '' END > ?1 "
      "ORDER BY e.EffDeadline, e.SJ DESC, e.ListID DESC LIMIT ?2",
      now, limit > 0 ? limit : -1);
  QList<OpenTender> tenders;
  while (st.Next()) {
    OpenTender t;
    t.entry = EntryOf(st);
    t.deadline = st.Text(9);
    t.budget = Amount(st, 10);
    t.deadline_corrected = t.deadline != st.Text(11);
    tenders.append(std::move(t));
  }
  if (!st.ok()) return Fail(StatementError(QStringLiteral("读取在投项目失败"), st));
  return tenders;
}

Result<std::optional<QueuedPage>> ReadQueuedPage(Database& db, const QString& title) {
  Statement st = db.Query("SELECT ID, MC, DZ, SJ, LX FROM List WHERE MC = ?", title);
  if (st.Next()) {
    return std::optional<QueuedPage>(
        QueuedPage{st.Int(0), st.Text(1), st.Text(2), st.Text(3), static_cast<int>(st.Int(4))});
  }
  if (!st.ok()) return Fail(StatementError(QStringLiteral("读取公告失败"), st));
  return std::optional<QueuedPage>();
}

Result<QList<QueuedPage>> ReadFactsQueue(Database& db, const QString& from_date, int limit) {
  Statement st = db.Query(
      "SELECT l.ID, l.MC, l.DZ, l.SJ, l.LX FROM List l WHERE l.LX IN (1, 2, 5, 6, 7, 10) "
      "AND l.SJ >= ? AND NOT EXISTS (SELECT 1 FROM Facts f WHERE f.MC = l.MC) "
      "ORDER BY l.SJ DESC, l.ID DESC LIMIT ?",
      from_date, limit);
  QList<QueuedPage> pages;
  while (st.Next()) {
    pages.append({st.Int(0), st.Text(1), st.Text(2), st.Text(3), static_cast<int>(st.Int(4))});
  }
  if (!st.ok()) return Fail(StatementError(QStringLiteral("读取公告要素队列失败"), st));
  return pages;
}

}  // namespace talvec
