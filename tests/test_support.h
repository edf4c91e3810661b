// Helpers shared by the tests: temporary database files and the like.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "core/database.h"

namespace talvec::test_support {

// A fresh encrypted database with the schema and the delivered settings row,
// in a temporary folder that lives as long as the object.
class TempDatabase {
 public:
  TempDatabase();
  Database& db() { return db_; }
  QString path() const { return path_; }
  QString folder() const { return dir_.path(); }

 private:
  QTemporaryDir dir_;
  QString path_;
  Database db_;
};

}  // namespace talvec::test_support
