// The search side of the main window: the search panel, the filter panel,
// the result list and the commands on it (search, filter, favorites,
// opening announcements), wired to the database and the viewer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include "collect/collection_state.h"
#include "search/result_set.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace talvec {

struct AppContext;
class FactsFilterBar;
class FilterPanels;
class FrmSCJ;
class ResultListView;
class SearchPanel;
class StatusLight;
class Viewer;

class SearchUi : public QObject, public DateFallbackSource {
  Q_OBJECT

 public:
  // Builds the controls into the main window's outer panel and top bar and
  // the menus into its menu bar. The status light shows the search pulse.
  SearchUi(AppContext& context, Viewer& viewer, StatusLight* light, QWidget* window, QWidget* frame,
           QWidget* top_bar, QObject* parent = nullptr);
  ~SearchUi() override;

  // Load steps of the main window.
  void ApplyTypeOptions();  // type options by the channel flags
  void InitDatePickers();   // the period ends today, starts a week ago
  // The result list's columns, and the sort the user chose in an earlier
  // run (none: the order the search returns).
  void SetupColumns();
  void ResetSearchType();  // SearchTypeCode 0

  // The search of the panel's day or period into the result list; the
  // filter panel returns to its neutral state, so that what it shows is
  // what the list shows.
  void RunSearch();
  // One filter pass from the full result set; reads and empties ChoiceWords.
  void FilterPass();
  // Keeps the row last clicked in the result list among the favorites.
  void AddFavorite();
  // The favorites window, modal.
  FrmSCJ* OpenFavorites();
  // Opens a result row in the viewer, without waiting.
  void OpenRow(const ResultRow& row);

  // "导出(&E)…": the result list's rows as shown, as a CSV file.
  void ExportList();

  // The date of the visible list's next-to-last row, or "".
  QString NextToLastDate() const override;

  SearchPanel* panel() const { return panel_; }
  FilterPanels* filters() const { return filters_; }
  FactsFilterBar* factsBar() const { return facts_bar_; }
  ResultListView* ListView2() const { return list_; }
  const SharedResultSet& fullResult() const { return full_; }

  QString ChoiceWords;

  QMenu* MenuGR = nullptr;
  QAction* MenuSCJ = nullptr;
  QMenu* MenuKJ = nullptr;
  QAction* MenuAdd = nullptr;
  QAction* MenuExport = nullptr;  // the result list as CSV (context menu; 【个人管理】 adds it)
  QMenu* MenuZs = nullptr;
  QAction* MenuSearch = nullptr;

 signals:
  // The result list now shows this many rows (after a search or a pass).
  void rowsShown(qint64 rows);
  // A command succeeded quietly: a short line for the status bar.
  void noted(const QString& text);

 private:
  void BuildMenus(QWidget* window);
  void RestoreSort();
  void KeepSort(int column, Qt::SortOrder order);
  // Shows the rows of the last word filter (or search) that pass the facts
  // filters.
  void ShowPassing();

  AppContext& context_;
  Viewer& viewer_;
  QPointer<StatusLight> light_;
  QPointer<QWidget> window_;
  SearchPanel* panel_ = nullptr;
  FilterPanels* filters_ = nullptr;
  FactsFilterBar* facts_bar_ = nullptr;
  std::vector<qsizetype> last_pass_;  // rows of the full result the word filters keep
  ResultListView* list_ = nullptr;
  SharedResultSet full_;
};

}  // namespace talvec
