// The updater's tests' fixture: a program folder with an old program and
// the user's data, the simulator serving a signed package of the maker's
// key, and the updater with short timers.
#pragma once

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "sitesim/management.h"
#include "sitesim/site_simulator.h"
#include "update/handover.h"
#include "updater/package.h"
#include "updater/update_run.h"

namespace talvec::test_support {

inline QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

inline package::SigningKey MakerKey() {
  Result<package::SigningKey> key =
      package::SigningKey::Load(QStringLiteral(TALVEC_UPDATE_KEY_FILE));
  EXPECT_TRUE(key) << key.error().FullText().toStdString();
  return std::move(*key);
}

// A signed package of the files (relative path, content).
inline QByteArray MakePackage(const std::vector<std::pair<QString, QByteArray>>& files) {
  QTemporaryDir dir;
  for (const auto& [name, bytes] : files) Write(dir.filePath(name), bytes);
  Result<QByteArray> tar = package::TarFolder(dir.path());
  EXPECT_TRUE(tar) << tar.error().FullText().toStdString();
  return MakerKey().SignPackage(package::SelfExtractor(*tar));
}

// A program folder with an old program and the user's data, the simulator
// serving a package, and the updater with short timers.
struct Updater {
  explicit Updater(const QByteArray& package_bytes) {
    Write(packages.filePath(QStringLiteral("Update.exe")), package_bytes);
    Write(Folder() + QStringLiteral("/TALVEC"), "old program");
    Write(Folder() + QStringLiteral("/talvec.qzv"), "the user's data");
    sitesim::Options o;
    o.new_every_seconds = 0;
    o.today = QDate(2026, 12, 8);
    o.update_package = packages.filePath(QStringLiteral("Update.exe"));
    sim = std::make_unique<sitesim::SiteSimulator>(o);
    EXPECT_TRUE(sim->Listen());
  }
  QString Folder() const { return folder.path(); }
  UpdaterOptions Options() {
    UpdaterOptions o;
    o.program_folder = Folder();
    o.management_base = sim->BaseUrl();
    o.retry_ms = 50;
    o.watchdog_ms = 600;
    o.failure_display_ms = 10;
    o.max_attempts = 2;
    o.start_program = [this](const QString& program, const QString&) {
      // The outcome is written and the folder released before it starts.
      EXPECT_EQ(released, 1);
      outcome_at_start = TakeUpdateOutcome(Folder()).value_or(std::nullopt);
      return started << program, true;
    };
    o.release_folder = [this] { ++released; };
    return o;
  }
  // Runs the updater until it is over.
  void Run(UpdaterOptions options) {
    run = std::make_unique<UpdateRun>(std::move(options));
    QObject::connect(run.get(), &UpdateRun::transferState, [this](int s) { states << s; });
    QObject::connect(run.get(), &UpdateRun::statusText, [this](const QString& t) {
      status = t;
      texts << t;
    });
    QObject::connect(run.get(), &UpdateRun::chunkWritten, [this](qint64 n) { chunks << n; });
    bool over = false;
    QObject::connect(run.get(), &UpdateRun::finished, [&over] { over = true; });
    run->Start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return over; }, 20000));
  }
  void Fault(const char* fault, int times = 0) {
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("fault"), QString::fromUtf8(fault));
    query.addQueryItem(QStringLiteral("times"), QString::number(times));
    sim->management().Control(query);
  }
  // Whatever happened: no partial package, no temp folder, the data as it
  // was, the outcome left for the main program, which was started once.
  void ExpectCleanFolder() {
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/Update.exe")));
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/Update.exe.part")));
    EXPECT_FALSE(QFile::exists(Folder() + QStringLiteral("/temp")));
    EXPECT_EQ(Read(Folder() + QStringLiteral("/talvec.qzv")), "the user's data");
    EXPECT_EQ(started, QStringList{Folder() + QStringLiteral("/TALVEC")});
    ASSERT_TRUE(outcome_at_start);
    EXPECT_EQ(outcome_at_start->succeeded, run->stage() == UpdateRun::Stage::kDone);
    EXPECT_EQ(outcome_at_start->cause.isEmpty(), outcome_at_start->succeeded);
    if (!outcome_at_start->succeeded) {
      EXPECT_TRUE(status.startsWith(outcome_at_start->cause)) << status.toStdString();
    }
  }

  QTemporaryDir folder;
  QTemporaryDir packages;
  std::unique_ptr<sitesim::SiteSimulator> sim;
  std::unique_ptr<UpdateRun> run;
  QList<int> states;
  QList<qint64> chunks;
  QString status;
  QStringList texts;
  QStringList started;
  int released = 0;
  std::optional<UpdateOutcome> outcome_at_start;
};

inline const std::vector<std::pair<QString, QByteArray>> kNewFiles = {
    {QStringLiteral("TALVEC"), QByteArray(300000, 'N')},
    {QStringLiteral("help/index.html"), "<html>new help</html>"},
    {QStringLiteral("talvec.qzv"), "an empty database that must not replace the user's"},
};

}  // namespace talvec::test_support
