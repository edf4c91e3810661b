// Deadline reminders for the favorites and the watch list: 3 days, 1 day and
// 2 hours before the effective deadline, each given once (table Reminders
// records every moment of a deadline, ShownAt once it is given or passed),
// moved when a correction moves the deadline, given late at start while the
// deadline is still ahead. The check compares wall-clock times, so sleep and
// clock changes only make a reminder come at the next check.
#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

#include "core/error.h"

namespace talvec {

class Database;

// Which moments the user wants (the settings dialog's check boxes); kept in
// UiState, all on until changed.
struct ReminderChoices {
  bool three_days = true, one_day = true, two_hours = true;
  bool operator==(const ReminderChoices&) const = default;
};
Result<ReminderChoices> ReadReminderChoices(Database& db);
Result<void> WriteReminderChoices(Database& db, const ReminderChoices& choices);

struct ReminderNotice {
  enum class Kind { kReminder, kCorrected };
  Kind kind = Kind::kReminder;
  QString title;
  QString moment;    // "3d", "1d", "2h" (a reminder)
  QString deadline;  // the effective deadline
  // "截止提醒（还剩1天）：" or "截止时间已更正：", the title and the time.
  QString Text() const;
};

// Gives what is due at `now` and records it, in one transaction: nothing is
// returned unless it was recorded, so a notice is never given twice.
Result<QList<ReminderNotice>> CheckReminders(Database& db, const QDateTime& now,
                                             const ReminderChoices& choices);

// Runs the check at start and then every `interval_ms` by the clock given
// (the program's: the local time; a test's: its own).
class ReminderTimer : public QObject {
  Q_OBJECT

 public:
  using Clock = std::function<QDateTime()>;
  ReminderTimer(Database& db, Clock clock, int interval_ms = 30000, QObject* parent = nullptr);

  void Start();
  void Stop();
  // One check now (also after the settings or a list changed).
  void CheckNow();
  QDateTime Now() const { return clock_(); }

 signals:
  void reminded(const QList<talvec::ReminderNotice>& notices);

 private:
  Database& db_;
  Clock clock_;
  QTimer timer_;
};

}  // namespace talvec
