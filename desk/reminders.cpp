#include "desk/reminders.h"

#include <QHash>
#include <QLoggingCategory>
#include <QSet>
#include <algorithm>
#include <array>

#include "core/database.h"
#include "core/ui_state.h"
#include "desk/desk_rows.h"

Q_LOGGING_CATEGORY(lcReminders, "talvec.reminders")

namespace talvec {

namespace {

struct Moment {
  const char* name;
  qint64 seconds_before;
  bool ReminderChoices::*chosen;
  const char* left;  // the text of the time left
};
// Latest last: the last passed moment is the one a late notice names.
constexpr std::array<Moment, 3> kMoments = {{
    {"3d", 3 * 24 * 3600, &ReminderChoices::three_days, "3天"},
    {"1d", 24 * 3600, &ReminderChoices::one_day, "1天"},
    {"2h", 2 * 3600, &ReminderChoices::two_hours, "2小时"},
}};

const QString kChoiceKeys[] = {QStringLiteral("Reminder/3d"), QStringLiteral("Reminder/1d"),
                               QStringLiteral("Reminder/2h")};

QString Stamp(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

struct Recorded {
  QString moment, deadline;
  bool shown = false;
};

}  // namespace

Result<ReminderChoices> ReadReminderChoices(Database& db) {
  const UiState state(db);
  ReminderChoices choices;
  for (std::size_t i = 0; i < kMoments.size(); ++i) {
    Result<std::optional<bool>> flag = state.Flag(kChoiceKeys[i]);
    if (!flag) return Fail(flag.error());
    choices.*kMoments[i].chosen = flag->value_or(true);
  }
  return choices;
}

Result<void> WriteReminderChoices(Database& db, const ReminderChoices& choices) {
  return UiState(db).SetTexts({{kChoiceKeys[0], UiState::FlagText(choices.three_days)},
                               {kChoiceKeys[1], UiState::FlagText(choices.one_day)},
                               {kChoiceKeys[2], UiState::FlagText(choices.two_hours)}});
}

QString ReminderNotice::Text() const {
  if (kind == Kind::kCorrected) {
    return QStringLiteral("截止时间已更正：%1 %2").arg(title, deadline);
  }
  QString left;
  for (const Moment& m : kMoments) {
    if (moment == QLatin1String(m.name)) left = QString::fromUtf8(m.left);
  }
  return QStringLiteral("截止提醒（还剩%1）：%2 %3").arg(left, title, deadline);
}

Result<QList<ReminderNotice>> CheckReminders(Database& db, const QDateTime& now,
                                             const ReminderChoices& choices) {
  Result<QList<DeskRow>> open = ReadDeskRows(db, now, DeskScope::kMine);
  if (!open) return Fail(open.error());

  QHash<QString, QList<Recorded>> recorded;
  {
    Statement st = db.Query("SELECT MC, Moment, Deadline, ShownAt FROM Reminders");
    while (st.Next()) recorded[st.Text(0)].append({st.Text(1), st.Text(2), !st.IsNull(3)});
    if (!st.ok()) return Fail(st.error());
  }

  QList<ReminderNotice> notices;
  const QString stamp = Stamp(now);
  Database::Transaction tx(db);
  if (!tx.active()) return Fail(tx.error());
  QSet<QString> open_titles;
  for (const DeskRow& row : *open) {
    const QDateTime end = DeadlineMoment(row.deadline);
    if (!end.isValid() || open_titles.contains(row.title)) continue;
    open_titles.insert(row.title);
    const QList<Recorded> known = recorded.value(row.title);
    const bool moved = !known.isEmpty() && std::none_of(known.cbegin(), known.cend(),
                                                        [&row](const Recorded& r) {
                                                          return r.deadline == row.deadline;
                                                        });
    if (moved) {
      if (Result<void> done = db.Execute("DELETE FROM Reminders WHERE MC = ?", row.title); !done)
        return Fail(done.error());
    }
    const Moment* latest_due = nullptr;
    for (const Moment& m : kMoments) {
      const QString name = QLatin1String(m.name);
      const bool passed = now.secsTo(end) <= m.seconds_before;
      const auto it = std::find_if(known.cbegin(), known.cend(), [&](const Recorded& r) {
        return r.moment == name && r.deadline == row.deadline;
      });
      const bool exists = !moved && it != known.cend();
      if (exists && it->shown) continue;
      if (passed && !moved && choices.*m.chosen) latest_due = &m;
      // Every passed moment is recorded, so none comes later; a pending one
      // waits with ShownAt Null.
      Result<void> done =
          exists ? (passed ? db.Execute("UPDATE Reminders SET ShownAt = ? WHERE MC = ? AND "
                                        "Moment = ? AND Deadline = ?",
                                        stamp, row.title, name, row.deadline)
                           : Result<void>())
                 : db.Execute("INSERT INTO Reminders(MC, Moment, Deadline, ShownAt) "
                              "VALUES(?, ?, ?, ?)",
                              row.title, name, row.deadline, passed ? QVariant(stamp) : QVariant());
      if (!done) return Fail(done.error());
    }
    if (moved) {
      notices.append({ReminderNotice::Kind::kCorrected, row.title, QString(), row.deadline});
    } else if (latest_due) {
      notices.append({ReminderNotice::Kind::kReminder, row.title,
                      QLatin1String(latest_due->name), row.deadline});
    }
  }
  // Titles no longer kept or no longer open keep no reminders.
  for (auto it = recorded.cbegin(); it != recorded.cend(); ++it) {
    if (open_titles.contains(it.key())) continue;
    if (Result<void> done = db.Execute("DELETE FROM Reminders WHERE MC = ?", it.key()); !done)
      return Fail(done.error());
  }
  if (Result<void> committed = tx.Commit(); !committed) return Fail(committed.error());
  return notices;
}

ReminderTimer::ReminderTimer(Database& db, Clock clock, int interval_ms, QObject* parent)
    : QObject(parent), db_(db), clock_(std::move(clock)) {
  timer_.setObjectName(QStringLiteral("TimerReminder"));
  timer_.setInterval(interval_ms);
  connect(&timer_, &QTimer::timeout, this, &ReminderTimer::CheckNow);
}

void ReminderTimer::Start() {
  CheckNow();
  timer_.start();
}

void ReminderTimer::Stop() { timer_.stop(); }

void ReminderTimer::CheckNow() {
  Result<ReminderChoices> choices = ReadReminderChoices(db_);
  if (!choices) {
    qCWarning(lcReminders) << "choices not read:" << choices.error().FullText();
    return;
  }
  Result<QList<ReminderNotice>> notices = CheckReminders(db_, clock_(), *choices);
  if (!notices) {
    qCWarning(lcReminders) << "check failed:" << notices.error().FullText();
    return;
  }
  if (!notices->isEmpty()) emit reminded(*notices);
}

}  // namespace talvec
