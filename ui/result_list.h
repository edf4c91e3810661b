// The visible result list ListView2: a table view over the rows of the last
// search or filter pass, sorted by a header click.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <optional>

#include "facts/facts_store.h"
#include "search/result_set.h"
#include "ui/report_view.h"

namespace talvec {

class Database;

// The key facts' columns, after the search's own: "预算(万元)" and
// "截止时间", shown before the hidden address column.
enum FactsColumn { kColBudget = kColumnCount, kColDeadline, kResultListColumns };

// The key facts of announcements as the lists show them, read when first
// asked for (the rows on screen) or for many rows at once (a sort or a
// filter on them), and kept until Clear().
class ListFactsCache {
 public:
  void SetDatabase(Database* db) { db_ = db; }
  // Nothing known: no facts, or no database.
  const ListFacts& Of(const QString& title);
  // Reads the facts of every title not yet asked for, in one pass.
  void Load(const QStringList& titles);
  // Asked for already (or nothing to ask: no database).
  bool Known(const QString& title) const { return !db_ || facts_.contains(title); }
  void Forget(const QString& title) { facts_.remove(title); }
  void Clear() { facts_.clear(); }

  // The cells: budget in 万元 ("" unknown), deadline "MM-DD HH:MM".
  static QString BudgetText(const ListFacts& f);
  static QString DeadlineText(const ListFacts& f);
  // A deadline that has passed `now` (greyed in the lists).
  static bool Passed(const ListFacts& f, const QDateTime& now);

 private:
  Database* db_ = nullptr;
  QHash<QString, ListFacts> facts_;  // an empty entry: asked for, none stored
};

// The first image of the list's image list: the icon of every row.
QIcon ResultRowIcon();

class ResultListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit ResultListModel(QObject* parent = nullptr);
  // Where the facts' columns are read from.
  void SetDatabase(Database* db) { facts_.SetDatabase(db); }
  ListFactsCache& facts() { return facts_; }
  // The facts of `title` were read anew: its cells show them.
  void FactsArrived(const QString& title);

  // Replaces every row; the current sort, if any, applies to the new rows.
  void SetRows(SharedResultSet full, std::vector<ListedRow> rows);
  void Clear();
  // Sorts the rows by one column's text; later SetRows keep this sort.
  void sort(int column, Qt::SortOrder order) override;
  bool sorted() const { return sort_column_.has_value(); }

  const ResultRow* RowAt(int row) const;
  qint64 NumberAt(int row) const;
  // The row carrying this number, whatever the sort; nullptr when none does.
  const ResultRow* RowByNumber(qint64 number) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  SharedResultSet full_;
  void SortRows();
  // The facts of a screenful of rows from `row` on, in one pass.
  void LoadFactsFrom(int row) const;
  QDateTime Now() const;

  std::vector<ListedRow> rows_;
  mutable ListFactsCache facts_;
  mutable QDateTime now_;
  mutable qint64 now_read_ms_ = 0;
  std::optional<int> sort_column_;
  Qt::SortOrder sort_order_ = Qt::AscendingOrder;
  QIcon icon_;
};

// ListView2 with its model. A click records the clicked row's number; a
// header click flips the one sort direction and sorts by that column (the
// first click sorts ascending).
class ResultListView : public ReportListView {
  Q_OBJECT

 public:
  explicit ResultListView(QWidget* parent = nullptr);

  ResultListModel* resultModel() const { return model_; }

  // Shows the given rows and forgets the last click.
  void ShowRows(SharedResultSet full, std::vector<ListedRow> rows);
  void ClearRows();

  // Column widths in twips: number 800, title = list width - 2500, address
  // and type hidden, date 1500.
  void ApplyColumnWidths();

  // The number of the row last clicked; 0 when none.
  qint64 SelectedRowNumber() const { return selected_row_number_; }

 signals:
  // The row number last clicked changed; 0 when no row is.
  void selectedRowChanged(qint64 number);
  // A double click on a row.
  void openRequested(const talvec::ResultRow& row);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SetSelectedRow(qint64 number);

  ResultListModel* model_ = nullptr;
  qint64 selected_row_number_ = 0;
};

}  // namespace talvec
