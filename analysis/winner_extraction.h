// Finding the winning suppliers and their amounts in the free text of a
// result cell: the cell's layout decides how it is cut into candidates, each
// candidate is then cleaned and accepted or rejected.
#pragma once

#include <QList>
#include <QString>

#include "analysis/award_cleaning.h"

namespace talvec {

struct PreparedCell {
  QString text;  // the cell after the layout replacements
  CellLayout layout = CellLayout::kSingle;
};

struct Extraction {
  QString prepared_cell;
  QList<Award> awards;  // in the order found
};

// Full-width colons become ":" (colon layout); otherwise full-width commas
// become "," and the package labels are removed (comma layout when a ","
// is left, single layout when none is).
PreparedCell PrepareCell(const QString& cell);

// The text from the first ASCII digit to one character past the last digit
// or point of the cell, or to one character past the first "万" after that
// digit; empty when the cell has no ASCII digit.
QString NumberRun(const QString& cell);

Extraction ExtractAwards(const QString& result_cell);

}  // namespace talvec
