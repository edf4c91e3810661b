// The summary page of the competitor window: the found awards per company
// as a table, the ten companies with most wins and the wins per month of
// the company selected in the table, as bar charts.
#pragma once

#include <QWidget>
#include <vector>

#include "competitors/awards.h"

class QChart;
class QChartView;
class QLabel;
class QTreeView;

namespace talvec {

class SummaryModel;
struct CompanySummary;

class CompetitorSummaryPage : public QWidget {
  Q_OBJECT

 public:
  explicit CompetitorSummaryPage(QWidget* parent = nullptr);

  // Summarises the found rows; the first company becomes the selected one.
  void ShowRows(const std::vector<AwardRow>& rows);
  // The company whose months the second chart shows.
  void SelectCompany(int row);

  SummaryModel* model() const { return model_; }
  QTreeView* ListViewTJ = nullptr;
  QLabel* LabelTJ = nullptr;
  QChartView* ChartTop = nullptr;
  QChartView* ChartMonth = nullptr;

 private:
  void FillTopChart();
  void FillMonthChart(const CompanySummary* company);

  SummaryModel* model_ = nullptr;
};

}  // namespace talvec
