// The filter panel of the main window: regions, product categories, public
// bodies and the free-text box. Choosing one kind of filter clears the
// others on screen; every choice asks for one filter pass.
#pragma once

#include <QObject>
#include <QString>
#include <array>

#include "search/filters.h"

class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace talvec {

class FilterPanels : public QObject {
  Q_OBJECT

 public:
  FilterPanels(QWidget* frame, double logical_dpi, QObject* parent = nullptr);

  // The three frames and the filter button, on or off together.
  void SetEnabled(bool enabled);
  // Back to the neutral state a new search shows unfiltered: "全部地区",
  // no category, no public body, an empty text box.
  void Reset();
  // Whether a region other than "全部地区" is chosen.
  bool RegionChosen() const;

  // What the clicks of the three groups do (public for tests and keys).
  void RegionChoice(int index);
  void CategoryChoice(int index);
  void PublicBodyChoice(int index);

  QGroupBox* Frame4 = nullptr;
  QGroupBox* Frame3 = nullptr;
  QGroupBox* Frame8 = nullptr;
  QLineEdit* Text4 = nullptr;
  QPushButton* Command2 = nullptr;
  QButtonGroup* DQ = nullptr;
  QButtonGroup* CP = nullptr;
  QButtonGroup* ZFBM = nullptr;

 signals:
  // A filter pass: with choice words for a choice, with none for the free
  // text of Text4.
  void filterRequested(const QString& choice_words);

 private:
  static void ClearGroup(QButtonGroup* group);
};

}  // namespace talvec
