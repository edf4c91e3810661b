// Cleaning of the supplier and amount candidates cut out of a result cell,
// and the test of whether a candidate is a credible supplier at all.
#pragma once

#include <QString>
#include <optional>

namespace talvec {

// How a result cell is laid out; chosen once per cell by ExtractAwards.
enum class CellLayout {
  kColon,   // label/value pieces separated by ":"
  kComma,   // pieces separated by ","
  kSingle,  // one statement about one supplier
};

struct Award {
  QString supplier;
  QString amount;  // a decimal number of yuan at its start, or empty
  friend bool operator==(const Award&, const Award&) = default;
};

// Removes the layout's label words and cuts the name after its leading
// numbering or bracketed remark. The result is not trimmed.
QString CleanSupplierName(CellLayout layout, const QString& text);

// Removes the layout's label words and units, converts ten-thousands of
// yuan into yuan, and empties an amount whose value is 0. Not trimmed.
QString CleanAmount(CellLayout layout, const QString& text);

// True for a cleaned, trimmed supplier name that looks like a real firm:
// longer than five characters, no void-tender words, no ASCII digit.
bool AcceptAward(const QString& supplier);

// The three steps above; the trimmed pair, or nothing when the supplier is
// rejected.
std::optional<Award> CleanAndAccept(CellLayout layout, const QString& supplier,
                                    const QString& amount);

}  // namespace talvec
