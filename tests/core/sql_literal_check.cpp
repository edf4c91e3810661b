// Built only by the tests core_sql_literal_compiles and core_sql_buffer_rejected:
// SQL text from a string literal compiles, text from a buffer filled at run
// time must not.
#include <cstdio>

#include "core/database.h"

void PrepareCheck(talvec::Database& db, int id) {
#ifdef TALVEC_SQL_FROM_BUFFER
  static char buffer[64];
  std::snprintf(buffer, sizeof buffer, "SELECT MC FROM List WHERE ID=%d", id);
  db.Prepare(buffer);
#else
  db.Query("SELECT MC FROM List WHERE ID=?", id);
#endif
}
