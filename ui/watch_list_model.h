// The rows of the watch-list window's ListView1: number, title, date,
// read state, the rule that added it and the hidden address, sorted by a column's text on request.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <optional>
#include <vector>

#include "facts/facts_store.h"
#include "watch/watch_list.h"

namespace talvec {

class WatchListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column {
    kColNumber,
    kColTitle,
    kColDate,
    kColState,
    kColRule,
    kColBudget,
    kColDeadline,
    kColAddress,
    kColumnCount
  };

  explicit WatchListModel(QObject* parent = nullptr);
  // Where the budget and deadline columns are read from (at SetEntries).
  void SetDatabase(Database* db) { db_ = db; }

  // Replaces the rows, numbered from 1 in the given order; a sort asked for
  // earlier applies to the new rows.
  void SetEntries(std::vector<WatchEntry> entries);
  // Sorts by the column's text, as shown (the numbers too).
  void sort(int column, Qt::SortOrder order) override;

  const WatchEntry* EntryAt(int row) const;
  // Whether an entry not yet read is listed.
  bool HasUnread() const;
  QString TextAt(int row, int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  struct Row {
    int number;
    WatchEntry entry;
    ListFacts facts;
  };
  static QString Text(const Row& row, int column);
  void Sort();

  Database* db_ = nullptr;
  std::vector<Row> rows_;
  std::optional<int> sort_column_;
  Qt::SortOrder sort_order_ = Qt::AscendingOrder;
  QIcon icon_;
};

}  // namespace talvec
