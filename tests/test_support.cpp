#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <QDate>

#include "core/schema.h"

namespace talvec::test_support {

TempDatabase::TempDatabase() : path_(dir_.filePath(QLatin1String(kDatabaseFileName))) {
  const Result<void> created = db_.CreateDatabase(path_, DatabasePassword());
  EXPECT_TRUE(created) << created.error().FullText().toStdString();
  Result<void> made = created ? CreateSchema(db_) : Result<void>(Fail(created.error()));
  if (made) made = InsertDeliveredSettings(db_, QDate::currentDate());
  EXPECT_TRUE(made) << made.error().FullText().toStdString();
}

}  // namespace talvec::test_support
