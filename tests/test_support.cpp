#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <QDate>

#include "core/schema.h"

namespace talvec::testing {

TempDatabase::TempDatabase() : path_(dir_.filePath(QLatin1String(kDatabaseFileName))) {
  const Result<void> created = db_.CreateDatabase(path_, DatabasePassword());
  EXPECT_TRUE(created) << created.error().FullText().toStdString();
  const bool ok = created && CreateSchema(db_) && InsertDeliveredSettings(db_, QDate::currentDate());
  EXPECT_TRUE(ok) << db_.LastError().toStdString();
}

}  // namespace talvec::testing
