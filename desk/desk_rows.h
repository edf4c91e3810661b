// The open tenders of the user's lists (favorites and watch list) or of the
// whole store, soonest deadline first, with what a desk shows of them: time
// left, budget, buyer, and whether a correction moved the deadline.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/error.h"

namespace talvec {

class Database;

enum class DeskScope { kMine, kAll };

struct DeskRow {
  QString title, address, date;  // MC, DZ, SJ
  int type = 0;                  // LX
  QString deadline;              // effective: "YYYY-MM-DD HH:MM" or "YYYY-MM-DD"
  std::optional<double> budget;  // effective, in 元
  QString buyer;
  bool deadline_corrected = false;
};

// The moment a deadline text ends, local time: a day without a time of day
// lasts until its end. Invalid for a text of another form.
QDateTime DeadlineMoment(const QString& deadline);

// "2天5小时", "5小时20分", "20分"; "已截止" at or below zero.
QString TimeLeftText(qint64 seconds);

enum class Urgency { kNone, kUnderThreeDays, kUnderDay };
Urgency UrgencyOf(qint64 seconds_left);

// The budget in 万元 with two decimals, "" when unknown.
QString BudgetWanText(const std::optional<double>& budget);
// A deadline as a list shows it: "MM-DD HH:MM" (a whole day: "MM-DD").
QString DeadlineShortText(const QString& deadline);

// The lists' filters on key facts: a budget range in 万元 (either end
// open), only tenders whose deadline is still ahead, and whether an
// announcement without a known budget passes a budget range (it does by
// default).
struct FactsFilter {
  std::optional<double> min_wan, max_wan;
  bool open_only = false;
  bool include_unknown_budget = true;

  bool Active() const { return min_wan || max_wan || open_only; }
  // `now` as "YYYY-MM-DD HH:MM"; a deadline without a time of day lasts
  // the whole day.
  bool Passes(const std::optional<double>& budget, const QString& deadline,
              const QString& now) const;
};

// The titles kept in the favorites or the watch list.
Result<QStringList> ReadTrackedTitles(Database& db);

// The tenders whose effective deadline lies after `now`.
Result<QList<DeskRow>> ReadDeskRows(Database& db, const QDateTime& now, DeskScope scope);

// What every exported list writes: this header, then one line per row.
QStringList ExportHeader();
struct ExportRow {
  QString title, type, date;
  std::optional<double> budget;  // 元
  QString deadline, buyer, agency, contact_person, phone, address;
};
// A row as a list shows it.
struct ShownRow {
  QString title, type, date, address;
};
// The rows with their facts: budget and deadline as the lists show them,
// and who the announcement names; read in one pass over the titles.
Result<QList<ExportRow>> ExportRowsOf(Database& db, const QList<ShownRow>& shown);
// The file's bytes (UTF-8 with BOM, CRLF, quoted and guarded fields).
QByteArray ExportCsv(const QList<ExportRow>& rows);
// Writes the file whole or not at all.
Result<void> WriteExport(const QString& path, const QList<ExportRow>& rows);

}  // namespace talvec
