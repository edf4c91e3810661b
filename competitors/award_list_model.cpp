#include "competitors/award_list_model.h"

#include <algorithm>
#include <numeric>

namespace talvec {

AwardListModel::AwardListModel(QObject* parent)
    : QAbstractTableModel(parent), collator_(QLocale(QLocale::Chinese, QLocale::China)) {
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

int AwardListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int AwardListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QString AwardListModel::Cell(const AwardRow& row, int column) const {
  switch (column) {
    case kColNumber:
      return QString::number(row.number);
    case kColCompany:
      return row.company;
    case kColTitle:
      return row.title.ToString();
    default:
      return {};
  }
}

QVariant AwardListModel::data(const QModelIndex& index, int role) const {
  const AwardRow* row = RowAt(index.row());
  if (!row || index.column() < 0 || index.column() >= kColumnCount) return {};
  if (role == Qt::DisplayRole || (role == Qt::ToolTipRole && index.column() == kColTitle)) {
    return Cell(*row, index.column());
  }
  return {};
}

QVariant AwardListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kColNumber:
      return QStringLiteral("ID");
    case kColCompany:
      return QStringLiteral("公司名称");
    case kColTitle:
      return QStringLiteral("中标项目");
    default:
      return {};
  }
}

void AwardListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<int> old_rows;
  old_rows.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before)
    old_rows.push_back(order_[static_cast<std::size_t>(index.row())]);

  // Sort keys once, not a collation per comparison.
  std::vector<QCollatorSortKey> keys;
  keys.reserve(rows_.size());
  for (const AwardRow& row : rows_) keys.push_back(collator_.sortKey(Cell(row, column)));
  std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
    const int c = keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]);
    return order == Qt::AscendingOrder ? c < 0 : c > 0;
  });

  std::vector<int> position(order_.size());
  for (std::size_t k = 0; k < order_.size(); ++k)
    position[static_cast<std::size_t>(order_[k])] = static_cast<int>(k);
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype k = 0; k < before.size(); ++k) {
    after.append(index(position[static_cast<std::size_t>(old_rows[static_cast<std::size_t>(k)])],
                       before[k].column()));
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void AwardListModel::SetRows(std::vector<AwardRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  order_.resize(rows_.size());
  std::iota(order_.begin(), order_.end(), 0);
  endResetModel();
}

const AwardRow* AwardListModel::RowAt(int view_row) const {
  if (view_row < 0 || view_row >= static_cast<int>(order_.size())) return nullptr;
  return &rows_[static_cast<std::size_t>(order_[static_cast<std::size_t>(view_row)])];
}

const AwardRow* AwardListModel::RowByNumber(qint64 number) const {
  // Numbers are given in the order rows were added: row n is at n - 1.
  if (number < 1 || number > static_cast<qint64>(rows_.size())) return nullptr;
  const AwardRow& row = rows_[static_cast<std::size_t>(number - 1)];
  return row.number == number ? &row : nullptr;
}

}  // namespace talvec
