// Writes the database file a new installation is delivered with.
//   talvec_mkdb [--if-missing] FILE
#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>
#include <cstdio>

#include "core/database.h"
#include "core/schema.h"

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  const bool if_missing = args.removeAll(QStringLiteral("--if-missing")) > 0;
  if (args.size() != 1 || args.first().startsWith(QLatin1Char('-'))) {
    std::fprintf(stderr, "usage: talvec_mkdb [--if-missing] FILE\n");
    return 64;
  }
  const QString path = args.first();
  if (QFileInfo::exists(path)) {
    if (if_missing) return 0;  // never touch a user's data
    std::fprintf(stderr, "%s exists\n", qPrintable(path));
    return 1;
  }
  talvec::Database db;
  if (const talvec::Result<void> created = db.CreateDatabase(path, talvec::DatabasePassword());
      !created) {
    std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(path),
                 qPrintable(created.error().FullText()));
    return 1;
  }
  talvec::Result<void> made = talvec::CreateSchema(db);
  if (made) made = talvec::InsertDeliveredSettings(db, QDate::currentDate());
  if (!made) {
    std::fprintf(stderr, "cannot create %s: %s\n", qPrintable(path),
                 qPrintable(made.error().FullText()));
    db.CloseDatabase();
    QFile::remove(path);
    return 1;
  }
  // Leave one self-contained file: fold the write-ahead log back in.
  db.Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  db.Execute("PRAGMA journal_mode=DELETE");
  db.CloseDatabase();
  return 0;
}
