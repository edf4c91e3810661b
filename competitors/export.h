// The competitor window's tables as CSV files that spreadsheet programs
// open with the Chinese text intact.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "competitors/awards.h"
#include "competitors/summary.h"

namespace talvec {

// One field: quoted when it holds a comma, a quote, a line break or an
// outer blank, with quotes doubled. A text field that a spreadsheet would
// take for a formula (starting with = + - @, a tab or a carriage return)
// gets a leading apostrophe.
QString CsvField(const QString& text, bool is_text = true);

// UTF-8 with a byte-order mark, CRLF after every line, the header first.
QByteArray CsvBytes(const QStringList& header, const std::vector<QStringList>& lines);

QByteArray AwardListCsv(const std::vector<const AwardRow*>& rows);
QByteArray SummaryCsv(const std::vector<CompanySummary>& summary);

// Writes the whole file or nothing (the old file stays on failure).
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace talvec
