// The filters on key facts above the result list: "预算" from/to in 万元,
// "只看未截止" and "含预算未知" (ticked). They combine with the word filters:
// the list shows the rows that pass both.
#pragma once

#include <QFrame>

#include "desk/desk_rows.h"

class QCheckBox;
class QLineEdit;

namespace talvec {

// The bar's height in twips, taken from the top of the list's area.
inline constexpr int kFactsBarTwips = 420;

class FactsFilterBar : public QFrame {
  Q_OBJECT

 public:
  explicit FactsFilterBar(QWidget* parent);

  // What the controls say now; an unreadable bound counts as none.
  FactsFilter Filter() const;

  QLineEdit* TextYSFrom = nullptr;
  QLineEdit* TextYSTo = nullptr;
  QCheckBox* CheckOpen = nullptr;     // "只看未截止"
  QCheckBox* CheckUnknown = nullptr;  // "含预算未知"

 signals:
  void changed();
};

}  // namespace talvec
