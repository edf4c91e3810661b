#include "ui/competitor_summary_page.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDate>
#include <QFont>
#include <QHeaderView>
#include <QHelpEvent>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QToolTip>
#include <QTreeView>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>

#include "competitors/summary.h"
#include "competitors/summary_model.h"
#include "ui/report_view.h"
#include "ui/twips.h"

namespace talvec {

namespace {

constexpr int kTopCompanies = 10;
// The company names take at most this share of the top chart's width.
constexpr double kAxisNameShare = 0.4;
constexpr int kMonthsShown = 24;

QChartView* MakeChartView(const char* name, QWidget* parent) {
  auto* chart = new QChart();
  chart->legend()->hide();
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setMargins(QMargins(4, 4, 4, 4));
  auto* view = new QChartView(chart, parent);
  view->setObjectName(QLatin1String(name));
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumSize(200, 160);
  return view;
}

void ClearChart(QChart* chart) {
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
}

// A value axis of whole counts from 0 to a little above the largest.
QValueAxis* CountAxis(int largest) {
  auto* axis = new QValueAxis();
  const int top = std::max(1, largest);
  axis->setRange(0, top + (top >= 5 ? top / 10 + 1 : 1));
  axis->setLabelFormat(QStringLiteral("%d"));
  axis->setTickType(QValueAxis::TicksDynamic);
  axis->setTickAnchor(0);
  axis->setTickInterval(std::max(1, (top + 4) / 5));
  return axis;
}

// "k. name" within `width` pixels: whole where it fits, else without its
// legal form, else cut with an ellipsis.
QString AxisLabel(int k, const QString& name, const QFontMetrics& metrics, int width) {
  const QString number = QStringLiteral("%1. ").arg(k);
  const int room =
      std::max(metrics.averageCharWidth() * 3, width - metrics.horizontalAdvance(number));
  if (metrics.horizontalAdvance(name) <= room) return number + name;
  QString shorter = name;
  for (const char16_t* form : {u"股份有限公司", u"有限责任公司", u"有限公司"}) {
    const QStringView f(form);
    if (shorter.size() > f.size() + 1 && shorter.endsWith(f)) {
      shorter.chop(f.size());
      break;
    }
  }
  return number + metrics.elidedText(shorter, Qt::ElideRight, room);
}

// A point of a chart view in the chart's own coordinates.
QPointF InChart(const QChartView* view, const QPoint& pos) {
  return view->chart()->mapFromScene(view->mapToScene(pos));
}

void SmallLabels(QAbstractAxis* axis) {
  QFont font = axis->labelsFont();
  font.setPointSizeF(std::max(7.0, font.pointSizeF() - 1));
  axis->setLabelsFont(font);
}

}  // namespace

CompetitorSummaryPage::CompetitorSummaryPage(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("PageTJ"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  LabelTJ = new QLabel(this);
  LabelTJ->setObjectName(QStringLiteral("LabelTJ"));
  layout->addWidget(LabelTJ);

  auto* split = new QSplitter(Qt::Vertical, this);
  split->setObjectName(QStringLiteral("SplitTJ"));
  split->setChildrenCollapsible(false);
  model_ = new SummaryModel(this);
  ListViewTJ = new QTreeView(split);
  ListViewTJ->setObjectName(QStringLiteral("ListViewTJ"));
  MakeReportView(ListViewTJ);
  ListViewTJ->setAlternatingRowColors(true);
  ListViewTJ->setModel(model_);
  const double dpi = screen() ? screen()->logicalDotsPerInch() : 96.0;
  const int widths[] = {4200, 1300, 2100, 1000, 1500};
  for (int k = 0; k < 5; ++k) ListViewTJ->setColumnWidth(k, TwipsToPixels(widths[k], dpi));
  ListViewTJ->setMinimumHeight(120);

  auto* charts = new QSplitter(Qt::Horizontal, split);
  charts->setObjectName(QStringLiteral("SplitCharts"));
  charts->setChildrenCollapsible(false);
  ChartTop = MakeChartView("ChartTop", charts);
  ChartMonth = MakeChartView("ChartMonth", charts);
  charts->setStretchFactor(0, 3);
  charts->setStretchFactor(1, 2);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 2);
  split->setSizes({1000, 2000});  // in proportion once laid out
  layout->addWidget(split, 1);

  connect(ListViewTJ->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { FillMonthChart(model_->At(current.row())); });
  for (QChartView* view : {ChartTop, ChartMonth}) {
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
  }
  ShowRows({});
}

bool CompetitorSummaryPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && (watched == ChartTop || watched == ChartMonth)) {
    FitChartTexts();
  } else if (event->type() == QEvent::ToolTip) {
    for (const QChartView* view : {ChartTop, ChartMonth}) {
      if (watched != view->viewport()) continue;
      auto* help = static_cast<QHelpEvent*>(event);
      const QString tip = ChartToolTip(view, help->pos());
      if (tip.isEmpty()) {
        QToolTip::hideText();
      } else {
        QToolTip::showText(help->globalPos(), tip, view->viewport());
      }
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

QString CompetitorSummaryPage::ChartToolTip(const QChartView* view, const QPoint& pos) const {
  const QPointF at = InChart(view, pos);
  const QRectF plot = view->chart()->plotArea();
  if (view == ChartMonth) {
    return at.y() < plot.top() && view->chart()->title() != month_title_ ? month_title_ : QString();
  }
  // The top chart: one band per company, the most wins at the top, the
  // name at its left.
  const auto& summary = model_->summary();
  const int shown = std::min<int>(kTopCompanies, static_cast<int>(summary.size()));
  if (view != ChartTop || shown == 0 || at.x() < 0 || at.x() > plot.right() ||
      at.y() < plot.top() || at.y() >= plot.bottom()) {
    return {};
  }
  const int k = static_cast<int>((at.y() - plot.top()) / (plot.height() / shown));
  if (k < 0 || k >= shown) return {};
  const CompanySummary& s = summary[static_cast<std::size_t>(k)];
  return QStringLiteral("%1. %2：中标%3次").arg(k + 1).arg(s.company).arg(s.wins);
}

void CompetitorSummaryPage::FitChartTexts() {
  QChart* top = ChartTop->chart();
  const QList<QAbstractAxis*> axes = top->axes(Qt::Vertical);
  auto* companies = axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis*>(axes.front());
  const auto& summary = model_->summary();
  const int shown = std::min<int>(kTopCompanies, static_cast<int>(summary.size()));
  if (companies && companies->count() == shown) {
    const QFontMetrics metrics(companies->labelsFont());
    const int width = static_cast<int>(ChartTop->width() * kAxisNameShare);
    QStringList names;
    // Bottom to top: the company with most wins stands at the top.
    for (int k = shown - 1; k >= 0; --k) {
      names << AxisLabel(k + 1, summary[static_cast<std::size_t>(k)].company, metrics, width);
    }
    if (names != companies->categories()) companies->setCategories(names);
  }
  QChart* month = ChartMonth->chart();
  const QFontMetrics title(month->titleFont());
  month->setTitle(
      title.elidedText(month_title_, Qt::ElideRight, std::max(40, ChartMonth->width() - 24)));
}

void CompetitorSummaryPage::ShowRows(const std::vector<AwardRow>& rows) {
  model_->SetSummary(SummariseAwards(rows));
  const auto& summary = model_->summary();
  LabelTJ->setText(QStringLiteral("共%1家公司中标%2次").arg(summary.size()).arg(rows.size()));
  FillTopChart();
  if (summary.empty()) {
    FillMonthChart(nullptr);
  } else {
    SelectCompany(0);
  }
}

void CompetitorSummaryPage::SelectCompany(int row) {
  const QModelIndex index = model_->index(row, 0);
  if (!index.isValid()) return;
  // The month chart follows the current row; set again, it would not change.
  if (ListViewTJ->currentIndex().row() == row) {
    FillMonthChart(model_->At(row));
  } else {
    ListViewTJ->setCurrentIndex(index);
  }
  ListViewTJ->scrollTo(index);
}

void CompetitorSummaryPage::FillTopChart() {
  QChart* chart = ChartTop->chart();
  ClearChart(chart);
  const auto& summary = model_->summary();
  const int shown = std::min<int>(kTopCompanies, static_cast<int>(summary.size()));
  chart->setTitle(QStringLiteral("中标次数前%1名").arg(shown));
  if (shown == 0) return;
  auto* set = new QBarSet(QStringLiteral("中标次数"));
  QStringList names;
  // Bottom to top: the company with most wins stands at the top; the names
  // are fitted to the chart's width below.
  for (int k = shown - 1; k >= 0; --k) {
    *set << summary[static_cast<std::size_t>(k)].wins;
    names << QStringLiteral("%1.").arg(k + 1);
  }
  auto* series = new QHorizontalBarSeries();
  series->append(set);
  series->setLabelsVisible(true);
  series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
  chart->addSeries(series);
  auto* companies = new QBarCategoryAxis();
  companies->append(names);
  SmallLabels(companies);
  companies->setTruncateLabels(false);
  chart->addAxis(companies, Qt::AlignLeft);
  series->attachAxis(companies);
  QValueAxis* counts = CountAxis(summary.front().wins);
  chart->addAxis(counts, Qt::AlignBottom);
  series->attachAxis(counts);
  FitChartTexts();
}

void CompetitorSummaryPage::FillMonthChart(const CompanySummary* company) {
  QChart* chart = ChartMonth->chart();
  ClearChart(chart);
  month_title_ = QStringLiteral("每月中标次数");
  if (company) {
    month_title_ += QStringLiteral("：") + company->company;
    if (company->undated > 0)
      month_title_ += QStringLiteral("（%1次无日期）").arg(company->undated);
  }
  FitChartTexts();
  if (!company || company->months.isEmpty()) return;
  // Every month from the first win to the last, months without a win at 0,
  // at most the last kMonthsShown of them.
  QDate first = QDate::fromString(company->months.front().first + QStringLiteral("-01"),
                                  QStringLiteral("yyyy-MM-dd"));
  const QDate last = QDate::fromString(company->months.back().first + QStringLiteral("-01"),
                                       QStringLiteral("yyyy-MM-dd"));
  if (!first.isValid() || !last.isValid()) return;
  if (first.addMonths(kMonthsShown - 1) < last) first = last.addMonths(-(kMonthsShown - 1));
  auto* set = new QBarSet(QStringLiteral("中标次数"));
  QStringList months;
  int largest = 0;
  for (QDate month = first; month <= last; month = month.addMonths(1)) {
    const QString key = month.toString(QStringLiteral("yyyy-MM"));
    int wins = 0;
    for (const auto& [m, w] : company->months) {
      if (m == key) wins = w;
    }
    *set << wins;
    months << key;
    largest = std::max(largest, wins);
  }
  auto* series = new QBarSeries();
  series->append(set);
  series->setLabelsVisible(true);
  chart->addSeries(series);
  auto* axis = new QBarCategoryAxis();
  axis->append(months);
  chart->addAxis(axis, Qt::AlignBottom);
  series->attachAxis(axis);
  QValueAxis* counts = CountAxis(largest);
  chart->addAxis(counts, Qt::AlignLeft);
  series->attachAxis(counts);
}

}  // namespace talvec
