// TALVEC as the process tests start: the same start-up and shutdown, with
// the seams the tests set through the environment. Never shipped; the
// program itself reads no environment variable.
//
//   TALVEC_TEST_FIRST_CHECK_SECONDS  the schedule's first check after N s
//   TALVEC_TEST_CONSTRUCTION_BASE    the construction site's address
//   TALVEC_TEST_WATCH_TICKS          the watch matcher's tick count at load
//   TALVEC_TEST_SEARCH_ENGINE_BASE   the search engine of company look-ups
//   TALVEC_MESSAGE_LOG               boxes are written to this file and
//                                    answered with their first button
//   TALVEC_TEST_VIEWER_SCRIPT        once shown, opens pages and help as a
//                                    user does and reports to this file
//                                    (tests/app/program_script.h)
//
// SIGUSR1 closes the main window as the user does (tests that end the
// program in the middle of its work).
#include <unistd.h>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <csignal>
#include <optional>

#include "app/program.h"
#include "tests/app/program_script.h"
#include "tests/message_log.h"
#include "ui/frmweath.h"

namespace {

int close_pipe[2] = {-1, -1};

void RequestClose(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(close_pipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char* argv[]) {
  const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  talvec::ProgramOptions options;
  bool ok = false;
  const int first = env.value(QStringLiteral("TALVEC_TEST_FIRST_CHECK_SECONDS")).toInt(&ok);
  if (ok && first >= 0) options.schedule.first_check_seconds = first;
  const int ticks = env.value(QStringLiteral("TALVEC_TEST_WATCH_TICKS")).toInt(&ok);
  if (ok && ticks >= 0 && ticks <= talvec::WatchMatcher::kTicksBetweenRuns) {
    options.watch.initial_ticks = static_cast<qint16>(ticks);
  }
  options.schedule.construction_base = env.value(QStringLiteral("TALVEC_TEST_CONSTRUCTION_BASE"));
  options.search_engine_base = env.value(QStringLiteral("TALVEC_TEST_SEARCH_ENGINE_BASE"));
  // The reminders' clock starts at this local time ("yyyy-MM-dd HH:mm") and
  // runs on from there.
  const QDateTime start_at = QDateTime::fromString(env.value(QStringLiteral("TALVEC_TEST_NOW")),
                                                   QStringLiteral("yyyy-MM-dd HH:mm"));
  if (start_at.isValid()) {
    const QDateTime started = QDateTime::currentDateTime();
    options.reminder_clock = [start_at, started] {
      return start_at.addMSecs(started.msecsTo(QDateTime::currentDateTime()));
    };
  }
  std::optional<talvec::test_support::MessageLog> log;
  if (env.contains(QStringLiteral("TALVEC_MESSAGE_LOG"))) {
    log.emplace(env.value(QStringLiteral("TALVEC_MESSAGE_LOG")));
    options.messages = &*log;
  }
  const QString script = env.value(QStringLiteral("TALVEC_TEST_VIEWER_SCRIPT"));
  const bool close_on_signal = pipe(close_pipe) == 0;
  if (close_on_signal) std::signal(SIGUSR1, RequestClose);
  options.on_shown = [script, close_on_signal](talvec::FrmWeath& window) {
    if (close_on_signal) {
      auto* notifier = new QSocketNotifier(close_pipe[0], QSocketNotifier::Read, &window);
      QObject::connect(notifier, &QSocketNotifier::activated, &window,
                       [&window] { window.close(); });
    }
    if (!script.isEmpty()) talvec::StartViewerScript(window, script);
  };
  return talvec::RunProgram(argc, argv, options);
}
