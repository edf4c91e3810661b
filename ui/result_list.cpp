#include "ui/result_list.h"

#include <QBrush>
#include <QDateTime>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>

#include "desk/desk_rows.h"
#include "ui/main_layout.h"

namespace talvec {


const ListFacts& ListFactsCache::Of(const QString& title) {
  static const ListFacts kNone;
  if (!db_) return kNone;
  auto it = facts_.constFind(title);
  if (it == facts_.cend()) {
    Load({title});
    it = facts_.constFind(title);
  }
  return it == facts_.cend() ? kNone : *it;
}

void ListFactsCache::Load(const QStringList& titles) {
  if (!db_) return;
  QStringList wanted;
  for (const QString& t : titles) {
    if (!facts_.contains(t)) wanted.append(t);
  }
  if (wanted.isEmpty()) return;
  Result<QHash<QString, ListFacts>> read = ReadListFacts(*db_, wanted);
  if (!read) return;  // shown empty; asked again next time
  for (const QString& t : wanted) facts_.insert(t, read->value(t));
}

QString ListFactsCache::BudgetText(const ListFacts& f) { return BudgetWanText(f.budget); }

QString ListFactsCache::DeadlineText(const ListFacts& f) { return DeadlineShortText(f.deadline); }

bool ListFactsCache::Passed(const ListFacts& f, const QDateTime& now) {
  if (f.deadline.size() < 10) return false;
  FactsFilter open;
  open.open_only = true;
  return !open.Passes(f.budget, f.deadline, now.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

QIcon ResultRowIcon() {
  static const QIcon icon = [] {
    // A small page with a folded corner and three text lines.
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygon page(
        {QPoint(2, 1), QPoint(10, 1), QPoint(14, 5), QPoint(14, 15), QPoint(2, 15)});
    p.setPen(QColor(70, 100, 150));
    p.setBrush(QColor(250, 250, 255));
    p.drawPolygon(page);
    p.drawLine(10, 1, 10, 5);
    p.drawLine(10, 5, 14, 5);
    p.setPen(QColor(200, 60, 40));
    for (int y : {7, 10, 13}) p.drawLine(4, y, 12, y);
    return QIcon(pixmap);
  }();
  return icon;
}

ResultListModel::ResultListModel(QObject* parent)
    : QAbstractTableModel(parent), icon_(ResultRowIcon()) {}

void ResultListModel::SetRows(SharedResultSet full, std::vector<ListedRow> rows) {
  beginResetModel();
  // A new search reads the facts afresh; a filter pass keeps what was read.
  if (full != full_) facts_.Clear();
  full_ = std::move(full);
  rows_ = full_ ? std::move(rows) : std::vector<ListedRow>();
  if (full_ && sort_column_) SortRows();
  endResetModel();
}

void ResultListModel::Clear() { SetRows(nullptr, {}); }

void ResultListModel::FactsArrived(const QString& title) {
  if (!facts_.Known(title) || rows_.empty()) return;  // never asked for: read when shown
  facts_.Forget(title);
  emit dataChanged(index(0, kColBudget), index(static_cast<int>(rows_.size()) - 1, kColDeadline));
}

QDateTime ResultListModel::Now() const {
  // Read once a second at most: a paint asks for every deadline cell.
  const qint64 ms = QDateTime::currentMSecsSinceEpoch();
  if (ms - now_read_ms_ >= 1000) {
    now_ = QDateTime::currentDateTime();
    now_read_ms_ = ms;
  }
  return now_;
}

void ResultListModel::LoadFactsFrom(int row) const {
  constexpr int kScreenful = 40;
  QStringList titles;
  const int end = std::min(static_cast<int>(rows_.size()), row + kScreenful);
  for (int r = std::max(row, 0); r < end; ++r) {
    titles.append((*full_)[static_cast<std::size_t>(rows_[static_cast<std::size_t>(r)].source)].title);
  }
  facts_.Load(titles);
}

void ResultListModel::SortRows() {
  if (*sort_column_ < kColumnCount) {
    SortListedRows(rows_, *full_, *sort_column_, sort_order_);
    return;
  }
  // The facts' columns sort by value: the budget as a number, the deadline
  // by time; unknown values below every known one.
  QStringList titles;
  titles.reserve(static_cast<qsizetype>(rows_.size()));
  for (const ListedRow& r : rows_) titles.append((*full_)[static_cast<std::size_t>(r.source)].title);
  facts_.Load(titles);
  const bool budget = *sort_column_ == kColBudget;
  std::vector<std::pair<QString, ListedRow>> keyed;
  keyed.reserve(rows_.size());
  for (qsizetype i = 0; i < titles.size(); ++i) {
    const ListFacts& f = facts_.Of(titles[i]);
    // Budgets as fixed-width text compare as numbers do.
    QString key = budget ? (f.budget ? QStringLiteral("1%1").arg(*f.budget, 20, 'f', 2, u'0')
                                     : QStringLiteral("0"))
                         : (f.deadline.isEmpty() ? QStringLiteral("0") : u'1' + f.deadline);
    keyed.emplace_back(std::move(key), rows_[static_cast<std::size_t>(i)]);
  }
  const bool descending = sort_order_ == Qt::DescendingOrder;
  std::stable_sort(keyed.begin(), keyed.end(), [descending](const auto& a, const auto& b) {
    return descending ? a.first > b.first : a.first < b.first;
  });
  for (std::size_t i = 0; i < keyed.size(); ++i) rows_[i] = keyed[i].second;
}

void ResultListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kResultListColumns) return;
  sort_column_ = column;
  sort_order_ = order;
  if (!full_) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<qint64> numbers;
  numbers.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before) numbers.push_back(NumberAt(index.row()));
  SortRows();
  if (!before.isEmpty()) {
    // Follow the rows that views keep (the current and selected ones).
    QHash<qint64, int> row_of;
    row_of.reserve(static_cast<qsizetype>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) row_of.insert(rows_[r].number, r);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
      after.push_back(
          index(row_of.value(numbers[static_cast<std::size_t>(i)]), before[i].column()));
    }
    changePersistentIndexList(before, after);
  }
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

const ResultRow* ResultListModel::RowAt(int row) const {
  if (!full_ || row < 0 || row >= static_cast<int>(rows_.size())) return nullptr;
  return &(*full_)[static_cast<std::size_t>(rows_[static_cast<std::size_t>(row)].source)];
}

qint64 ResultListModel::NumberAt(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return 0;
  return rows_[static_cast<std::size_t>(row)].number;
}

const ResultRow* ResultListModel::RowByNumber(qint64 number) const {
  if (!full_ || number <= 0) return nullptr;
  for (const ListedRow& r : rows_) {
    if (r.number == number) return &(*full_)[static_cast<std::size_t>(r.source)];
  }
  return nullptr;
}

int ResultListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kResultListColumns;
}

QVariant ResultListModel::data(const QModelIndex& index, int role) const {
  if (!full_ || !index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
  const ListedRow& row = rows_[static_cast<std::size_t>(index.row())];
  if (index.column() >= kColumnCount) {
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::TextAlignmentRole &&
        role != Qt::ForegroundRole) {
      return {};
    }
    const QString& title = (*full_)[static_cast<std::size_t>(row.source)].title;
    if (!facts_.Known(title)) LoadFactsFrom(index.row());
    const ListFacts& f = facts_.Of(title);
    switch (role) {
      case Qt::DisplayRole:
        return index.column() == kColBudget ? ListFactsCache::BudgetText(f)
                                            : ListFactsCache::DeadlineText(f);
      case Qt::ToolTipRole:
        return index.column() == kColDeadline ? f.deadline : QString();
      case Qt::TextAlignmentRole:
        return index.column() == kColBudget ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                            : QVariant();
      case Qt::ForegroundRole:
        return index.column() == kColDeadline && f.deadline.size() >= 10 &&
                       ListFactsCache::Passed(f, Now())
                   ? QVariant(QBrush(Qt::gray))
                   : QVariant();
      default:
        return {};
    }
  }
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    if (role == Qt::ToolTipRole && index.column() != kColTitle) return {};
    return CellText(*full_, row, index.column());
  }
  if (role == Qt::DecorationRole && index.column() == kColNumber) return icon_;
  return {};
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kColNumber:
      return QStringLiteral("编号");
    case kColTitle:
      return QStringLiteral("采购项目");
    case kColAddress:
      return QStringLiteral("网址");
    case kColDate:
      return QStringLiteral("日期");
    case kColType:
      return QStringLiteral("类型");
    case kColBudget:
      return QStringLiteral("预算(万元)");
    case kColDeadline:
      return QStringLiteral("截止时间");
    default:
      return {};
  }
}

ResultListView::ResultListView(QWidget* parent) : ReportListView(parent) {
  setObjectName(QStringLiteral("ListView2"));
  model_ = new ResultListModel(this);
  setModel(model_);
  setAlternatingRowColors(true);
  EnableHeaderSorting(Qt::AscendingOrder);
  // The current row is the clicked one; a right press makes it current too,
  // so the context command always acts on the row the user sees selected.
  connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            SetSelectedRow(current.isValid() ? model_->NumberAt(current.row()) : 0);
          });
  connect(this, &ReportListView::listDoubleClicked, this, [this](int row) {
    if (const ResultRow* result = model_->RowAt(row)) emit openRequested(*result);
  });
  ApplyColumnWidths();
}

void ResultListView::ApplyColumnWidths() {
  SetColumnTwips(kColNumber, 800);
  SetColumnTwips(kColDate, 1500);
  SetColumnTwips(kColAddress, 0);
  SetColumnTwips(kColType, 0);
  SetColumnTwips(kColBudget, 1100);
  SetColumnTwips(kColDeadline, 1300);
  // The facts' columns stand before the hidden address column.
  header()->moveSection(header()->visualIndex(kColBudget), 2);
  header()->moveSection(header()->visualIndex(kColDeadline), 3);
  setColumnWidth(kColTitle, std::max(Px(1500), width() - Px(kResultOtherColumnsTwips)));
}

void ResultListView::resizeEvent(QResizeEvent* event) {
  ReportListView::resizeEvent(event);
  // The main window's layout keeps the same rule, in twips of the list.
  setColumnWidth(kColTitle, std::max(Px(1500), width() - Px(kResultOtherColumnsTwips)));
}

void ResultListView::ShowRows(SharedResultSet full, std::vector<ListedRow> rows) {
  model_->SetRows(std::move(full), std::move(rows));
  SetSelectedRow(0);
}

void ResultListView::ClearRows() { ShowRows(nullptr, {}); }

void ResultListView::SetSelectedRow(qint64 number) {
  if (number == selected_row_number_) return;
  selected_row_number_ = number;
  emit selectedRowChanged(number);
}

}  // namespace talvec
