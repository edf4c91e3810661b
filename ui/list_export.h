// "导出(&E)…" of every list window: a save dialog that does not block, then
// the rows the list shows, with their key facts, written whole as CSV.
#pragma once

#include <QList>
#include <QString>
#include <functional>

#include "desk/desk_rows.h"

class QWidget;

namespace talvec {

class Database;

// Opens the save dialog over `parent`; when a file is chosen, `rows()` gives
// the rows as shown at that moment, and `done(note)` reports the outcome
// ("已导出 N 条：path" or the failure, which also goes to a message box).
void ExportShownRows(QWidget* parent, Database& db, const QString& suggested_name,
                     std::function<QList<ShownRow>()> rows,
                     std::function<void(const QString&)> done);

// The type of an announcement as the lists name it ("市县采购公告", ...).
QString AnnouncementTypeName(int type);
// The type name of a stored title ("" when it is not in the list table).
QString AnnouncementTypeOf(Database& db, const QString& title);

}  // namespace talvec
