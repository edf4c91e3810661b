// What the collection is doing, as a user reads it in the status bar.
#pragma once

#include <QDateTime>
#include <QString>

namespace talvec {

struct CollectionProgress {
  enum class Phase { kIdle, kConstruction, kChannel, kWaitingNetwork };
  Phase phase = Phase::kIdle;
  int type = 0;       // the channel being read (kChannel)
  qint32 page = 0;    // its page number (kChannel)
  int new_announcements = 0;  // stored so far in the running cycle
  QDateTime last_complete_end;  // invalid until a cycle has ended
  int last_complete_new = 0;    // stored by that cycle
};

QString ProgressText(const CollectionProgress& progress);

}  // namespace talvec
