// The one owner of the tables Facts and Corrections: writing what a page
// states, and every question the program asks of them (the effective
// deadline of a project, its timeline, the open tenders, the reader's
// queue). Nothing else runs statements on these tables.
//
// A project is the set of announcements with the same ProjectKey; an
// announcement without a number belongs to a project only through the
// exact same project name and buyer as one of its announcements, never by
// a similar title.
#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QStringList>
#include <QString>
#include <optional>

#include "core/error.h"
#include "facts/extraction.h"

namespace talvec {

class Database;

// Facts.State.
enum class FactsState { kRead = 1, kNoFacts = 2, kFailed = 3 };

// A row of Facts; empty texts and missing amounts are Null in the table.
struct FactsRow {
  QString title;    // MC
  QString read_at;  // "YYYY-MM-DD HH:MM:SS"
  FactsState state = FactsState::kRead;
  QString project_no, project_key, project_name;
  std::optional<double> budget;
  QString budget_text;
  std::optional<double> price_cap;
  QString price_cap_text;
  QString buyer, buyer_contact, agency, agency_contact, contact_person, contact_phone;
  QString docs_from, docs_until, deadline, opening_at, opening_place, method;
};

// A row of Corrections.
struct CorrectionRow {
  QString title;  // MC of the correction announcement
  QString project_key;
  QString item;  // "Deadline", "OpeningAt", "DocsUntil", "Budget", "Other"
  QString old_text, new_text, new_value;
  QString corrected_on;  // "YYYY-MM-DD"
};

// The times (and budget) of a project after its corrections: the value of
// its newest correction of each, else what its announcement states; "" (no
// value) when neither states one.
struct EffectiveFacts {
  QString announcement;  // the title whose values stand when nothing corrects them
  QString deadline, opening_at, docs_until;
  std::optional<double> budget;
  bool deadline_corrected = false;
};

// One announcement of a project's timeline, or of the open tenders.
struct ProjectEntry {
  QString title;    // MC
  QString address;  // DZ
  QString date;     // SJ
  int type = 0;     // LX
  FactsState state = FactsState::kRead;
  QString project_key, project_name, buyer;
};

struct OpenTender {
  ProjectEntry entry;
  QString deadline;              // effective
  std::optional<double> budget;  // effective
  bool deadline_corrected = false;  // a correction moved it from the announcement's own
};

// An announcement waiting for its facts.
struct QueuedPage {
  qint64 id = 0;  // List.ID
  QString title, address, date;
  int type = 0;
};

// The announcement types the reader fetches itself (result announcements
// come from result analysis).
inline constexpr int kFactsTypes[] = {1, 2, 5, 6, 7, 10};

// Writes what a page states, replacing an earlier reading of the same title,
// with its corrections, in one transaction: State 1 when it states
// anything, else 2. `list_date` (SJ) stands for the correction date where
// the page gives none.
Result<> WritePageFacts(Database& db, const QString& title, const PageFacts& facts,
                        const QString& list_date, const QDateTime& read_at);
// A page given up: State 3, unless the title has facts already.
Result<> WriteFactsFailed(Database& db, const QString& title, const QDateTime& read_at);

Result<std::optional<FactsRow>> ReadFacts(Database& db, const QString& title);

// The effective deadline, opening time, documents end and budget of the
// project of `title` (an announcement, a correction or a result of it):
// the newest correction of each item by CorrectedOn, on the same day the
// one the site lists above (where the pages chain, one's old value being
// the other's new one; else the later in List), else the announcement's own
// value. The one place this rule lives; ReadOpenTenders applies the same
// statement text.
Result<EffectiveFacts> ReadEffectiveFacts(Database& db, const QString& title);

// What the lists show of an announcement: its effective budget and deadline.
struct ListFacts {
  std::optional<double> budget;
  QString deadline;
};
// The effective budget and deadline of each of `titles` that has facts
// (the same rule as ReadEffectiveFacts); titles without facts are left out.
Result<QHash<QString, ListFacts>> ReadListFacts(Database& db, const QStringList& titles);

// Who an announcement names: buyer, agency, contact person and phone, for
// each of `titles` that has facts.
struct PartyFacts {
  QString buyer, agency, contact_person, contact_phone;
};
Result<QHash<QString, PartyFacts>> ReadPartyFacts(Database& db, const QStringList& titles);

// The corrections of the project of `title`, newest first.
Result<QList<CorrectionRow>> ReadProjectCorrections(Database& db, const QString& title);

// Every announcement of the project of `title` with facts, by date (oldest
// first); just the announcement itself when it names no project.
Result<QList<ProjectEntry>> ReadTimeline(Database& db, const QString& title);

// The announcements whose effective deadline lies after `now`
// ("YYYY-MM-DD HH:MM"; a deadline without a time of day lasts the whole
// day), soonest deadline first; at most `limit` (0: all).
Result<QList<OpenTender>> ReadOpenTenders(Database& db, const QString& now, int limit = 0);

// The List row of one title as the reader queues it; nothing when there is none.
Result<std::optional<QueuedPage>> ReadQueuedPage(Database& db, const QString& title);

// Announcements of kFactsTypes dated `from_date` or later without a Facts
// row, newest first (by date, then as listed); at most `limit`.
Result<QList<QueuedPage>> ReadFactsQueue(Database& db, const QString& from_date, int limit);

}  // namespace talvec
