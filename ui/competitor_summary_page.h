// The summary page of the competitor window: the found awards per company
// as a table, the ten companies with most wins and the wins per month of
// the company selected in the table, as bar charts. Company names in the
// charts are cut to the chart's width; the whole name is the tool tip of
// its bar and label (and of the month chart's title).
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

  // The tool tip at a point of a chart's viewport: the whole name and wins
  // of the company whose bar or label is there, or the month chart's whole
  // title over the title; "" elsewhere.
  QString ChartToolTip(const QChartView* view, const QPoint& pos) const;

  SummaryModel* model() const { return model_; }
  QTreeView* ListViewTJ = nullptr;
  QLabel* LabelTJ = nullptr;
  QChartView* ChartTop = nullptr;
  QChartView* ChartMonth = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FillTopChart();
  void FillMonthChart(const CompanySummary* company);
  // The names on the top chart's axis and the month chart's title, cut to
  // the charts' present widths.
  void FitChartTexts();

  SummaryModel* model_ = nullptr;
  QString month_title_;  // whole
};

}  // namespace talvec
