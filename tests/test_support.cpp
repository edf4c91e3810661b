#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <QDate>

#include "core/schema.h"

namespace talvec::test_support {

TempDatabase::TempDatabase() : path_(dir_.filePath(QLatin1String(kDatabaseFileName))) {
  const bool ok = db_.CreateDatabase(path_, DatabasePassword()) && CreateSchema(db_) &&
                  InsertDeliveredSettings(db_, QDate::currentDate());
  EXPECT_TRUE(ok) << db_.failureText().toStdString() << db_.LastError().toStdString();
}

}  // namespace talvec::test_support
