// The start-up sequence of TALVEC, from the single-instance test to the
// shown main window, and the ordered shutdown. The program's main() runs it
// with the defaults; a test build runs it with its own seams.
#pragma once

#include <QDateTime>
#include <functional>

#include "collect/collection_schedule.h"
#include "watch/watch_matcher.h"

namespace talvec {

class FrmWeath;
class MessageSink;

struct ProgramOptions {
  ScheduleOptions schedule;
  WatchOptions watch;
  MessageSink* messages = nullptr;  // null: real message boxes
  QString search_engine_base;       // empty: the address built into the program
  // Called once the main window is shown.
  std::function<void(FrmWeath&)> on_shown;
  // The time the deadline reminders go by; empty: the machine's local time.
  std::function<QDateTime()> reminder_clock;
};

int RunProgram(int argc, char** argv, const ProgramOptions& options = {});

}  // namespace talvec
