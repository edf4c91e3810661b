// The search controls of the main window: in the top bar the type options,
// date mode and pickers and the search button; the keyword box, and the
// "searching" notice over the result list.
#pragma once

#include <QObject>
#include <array>

#include "search/search_query.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace talvec {

struct SystemSettings;

class SearchPanel : public QObject {
  Q_OBJECT

 public:
  // Builds the controls: the top bar's into top_bar, the keyword box and
  // PicZT into frame. Design rectangles are in twips of frame.
  SearchPanel(QWidget* frame, QWidget* top_bar, double logical_dpi, QObject* parent = nullptr);

  // Enables each type option by its channel flag.
  void ApplyTypeOptions(const SystemSettings& settings);
  // DTPicker2 today, DTPicker1 seven days before.
  void InitDatePickers(const QDate& today);
  void ResetSearchType() { SearchTypeCode = 0; }

  // The request the panel's state describes (without the region flag and
  // the system's name, which the caller knows).
  SearchRequest Request(const QDate& today) const;

  // Hides the search button and shows "正在搜索..." at once; Finished()
  // returns to the resting state.
  void ShowSearching();
  void Finished();

  qint16 SearchTypeCode = 0;

  QGroupBox* Frame2 = nullptr;
  std::array<QRadioButton*, kTypeOptionCount> type_options{};  // in kTypeOptions order
  QGroupBox* Frame5 = nullptr;
  QRadioButton* Option12 = nullptr;
  QRadioButton* Option13 = nullptr;
  QDateEdit* DTPicker1 = nullptr;
  QDateEdit* DTPicker2 = nullptr;
  QGroupBox* FrameGJZ = nullptr;  // 关键字
  QLineEdit* Text1 = nullptr;
  QPushButton* CMDCX = nullptr;
  QLabel* PicZT = nullptr;

 signals:
  void searchRequested();

 private:
  void DateModeChanged();
};

}  // namespace talvec
