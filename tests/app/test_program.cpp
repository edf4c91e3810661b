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
#include <QProcessEnvironment>
#include <optional>

#include "app/program.h"
#include "tests/message_log.h"

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
  std::optional<talvec::testing::MessageLog> log;
  if (env.contains(QStringLiteral("TALVEC_MESSAGE_LOG"))) {
    log.emplace(env.value(QStringLiteral("TALVEC_MESSAGE_LOG")));
    options.messages = &*log;
  }
  return talvec::RunProgram(argc, argv, options);
}
