#include "ui/watch_list_model.h"

#include <QBrush>
#include <QDateTime>
#include <algorithm>

#include "ui/result_list.h"

namespace talvec {

WatchListModel::WatchListModel(QObject* parent)
    : QAbstractTableModel(parent), icon_(ResultRowIcon()) {}

void WatchListModel::SetEntries(std::vector<WatchEntry> entries) {
  beginResetModel();
  rows_.clear();
  rows_.reserve(entries.size());
  int number = 0;
  QStringList titles;
  for (const WatchEntry& e : entries) titles.append(e.title);
  const Result<QHash<QString, ListFacts>> facts =
      db_ ? ReadListFacts(*db_, titles) : Result<QHash<QString, ListFacts>>();
  for (WatchEntry& e : entries) {
    ListFacts f = facts ? facts->value(e.title) : ListFacts{};
    rows_.push_back({++number, std::move(e), std::move(f)});
  }
  if (sort_column_) Sort();
  endResetModel();
}

void WatchListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  sort_column_ = column;
  sort_order_ = order;
  beginResetModel();
  Sort();
  endResetModel();
}

void WatchListModel::Sort() {
  const int column = *sort_column_;
  const bool descending = sort_order_ == Qt::DescendingOrder;
  // The budget by value and the deadline by time, unknown ones lowest.
  auto key = [column](const Row& r) {
    if (column == kColBudget) {
      return r.facts.budget ? QStringLiteral("1%1").arg(*r.facts.budget, 20, 'f', 2, u'0')
                            : QStringLiteral("0");
    }
    if (column == kColDeadline) {
      return r.facts.deadline.isEmpty() ? QStringLiteral("0") : u'1' + r.facts.deadline;
    }
    return Text(r, column);
  };
  std::stable_sort(rows_.begin(), rows_.end(), [&key, descending](const Row& a, const Row& b) {
    const int c = key(a).compare(key(b));
    return descending ? c > 0 : c < 0;
  });
}

QString WatchListModel::Text(const Row& row, int column) {
  switch (column) {
    case kColNumber:
      return QString::number(row.number);
    case kColTitle:
      return row.entry.title;
    case kColDate:
      return row.entry.date;
    case kColState:
      return row.entry.unread() ? QStringLiteral("未阅") : QStringLiteral("已阅");
    case kColRule:
      return row.entry.rule;
    case kColBudget:
      return ListFactsCache::BudgetText(row.facts);
    case kColDeadline:
      return ListFactsCache::DeadlineText(row.facts);
    case kColAddress:
      return row.entry.address;
    default:
      return {};
  }
}

const WatchEntry* WatchListModel::EntryAt(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
  return &rows_[static_cast<std::size_t>(row)].entry;
}

bool WatchListModel::HasUnread() const {
  return std::any_of(rows_.begin(), rows_.end(), [](const Row& row) { return row.entry.unread(); });
}

QString WatchListModel::TextAt(int row, int column) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
  return Text(rows_[static_cast<std::size_t>(row)], column);
}

int WatchListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int WatchListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant WatchListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return Text(row, index.column());
    case Qt::ToolTipRole:
      return index.column() == kColTitle ? QVariant(row.entry.title) : QVariant();
    case Qt::DecorationRole:
      return index.column() == kColNumber ? QVariant(icon_) : QVariant();
    case Qt::TextAlignmentRole:
      return index.column() == kColBudget ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                          : QVariant();
    case Qt::ForegroundRole:
      return index.column() == kColDeadline &&
                     ListFactsCache::Passed(row.facts, QDateTime::currentDateTime())
                 ? QVariant(QBrush(Qt::gray))
                 : QVariant();
    case Qt::FontRole:
      if (row.entry.unread() && index.column() == kColState) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    default:
      return {};
  }
}

QVariant WatchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kColNumber:
      return QStringLiteral("ID");
    case kColTitle:
      return QStringLiteral("中标项目");
    case kColDate:
      return QStringLiteral("发布日期");
    case kColState:
      return QStringLiteral("状态");
    case kColRule:
      return QStringLiteral("规则");
    case kColBudget:
      return QStringLiteral("预算(万元)");
    case kColDeadline:
      return QStringLiteral("截止时间");
    case kColAddress:
      return QStringLiteral("路径");
    default:
      return {};
  }
}

}  // namespace talvec
