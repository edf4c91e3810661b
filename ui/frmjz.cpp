#include "ui/frmjz.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QBrush>
#include <numeric>
#include <QTimer>

#include "core/database.h"
#include "dialogs/messages.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

namespace talvec {

namespace {

const QColor kUnderDay(0xC0, 0x00, 0x00);
const QColor kUnderThreeDays(0xB0, 0x60, 0x00);
const QColor kReminded(0xFF, 0xF2, 0xA8);
using C = DeskListModel::Column;

}  // namespace

void DeskListModel::SetRows(QList<DeskRow> rows, const QDateTime& now) {
  beginResetModel();
  rows_ = std::move(rows);
  ends_.clear();
  ends_.reserve(rows_.size());
  for (const DeskRow& r : rows_) ends_.append(DeadlineMoment(r.deadline).toSecsSinceEpoch());
  now_ = now.toSecsSinceEpoch();
  endResetModel();
}

void DeskListModel::SetNow(const QDateTime& now) {
  now_ = now.toSecsSinceEpoch();
  if (!rows_.isEmpty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
}

void DeskListModel::Highlight(const QStringList& titles) {
  for (const QString& t : titles) highlighted_.insert(t);
  if (!rows_.isEmpty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumns - 1));
}

int DeskListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DeskListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant DeskListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_.size()) return {};
  const DeskRow& r = rows_[index.row()];
  const qint64 left = ends_[index.row()] - now_;
  switch (role) {
    case Qt::DisplayRole:
      switch (index.column()) {
        case kDeadline: return DeadlineShortText(r.deadline);
        case kLeft: return TimeLeftText(left);
        case kTitle: return r.title;
        case kBudget: return BudgetWanText(r.budget);
        case kBuyer: return r.buyer;
        case kCorrected: return r.deadline_corrected ? QStringLiteral("已更正") : QString();
        case kAddress: return r.address;
        default: return {};
      }
    case Qt::ToolTipRole:
      if (index.column() == kTitle) return r.title;
      if (index.column() == kBuyer) return r.buyer;
      if (index.column() == kDeadline) return r.deadline;
      return {};
    case Qt::TextAlignmentRole:
      return index.column() == kBudget ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::ForegroundRole:
      switch (UrgencyOf(left)) {
        case Urgency::kUnderDay: return QBrush(kUnderDay);
        case Urgency::kUnderThreeDays: return QBrush(kUnderThreeDays);
        default: return left <= 0 ? QVariant(QBrush(Qt::gray)) : QVariant();
      }
    case Qt::BackgroundRole:
      return highlighted_.contains(r.title) ? QVariant(QBrush(kReminded)) : QVariant();
    default:
      return {};
  }
}

QVariant DeskListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  static const QStringList kHeaders = {QStringLiteral("截止时间"), QStringLiteral("剩余"),
                                       QStringLiteral("标题"),     QStringLiteral("预算(万元)"),
                                       QStringLiteral("采购人"),   QStringLiteral("更正"),
                                       QStringLiteral("网址")};
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= kColumns) {
    return {};
  }
  return kHeaders[section];
}

void DeskListModel::sort(int column, Qt::SortOrder order) {
  QList<int> order_of(rows_.size());
  std::iota(order_of.begin(), order_of.end(), 0);
  auto key_less = [&](int a, int b) {
    const DeskRow& x = rows_[a];
    const DeskRow& y = rows_[b];
    switch (column) {
      case kDeadline:
      case kLeft: return ends_[a] < ends_[b];
      case kBudget: return x.budget.value_or(-1) < y.budget.value_or(-1);
      case kBuyer: return x.buyer < y.buyer;
      case kCorrected: return x.deadline_corrected < y.deadline_corrected;
      default: return x.title < y.title;
    }
  };
  std::stable_sort(order_of.begin(), order_of.end(), [&](int a, int b) {
    return order == Qt::AscendingOrder ? key_less(a, b) : key_less(b, a);
  });
  emit layoutAboutToBeChanged();
  QList<DeskRow> rows;
  QList<qint64> ends;
  rows.reserve(rows_.size());
  ends.reserve(rows_.size());
  for (int i : order_of) {
    rows.append(rows_[i]);
    ends.append(ends_[i]);
  }
  rows_ = std::move(rows);
  ends_ = std::move(ends);
  // Rows are re-made as they are drawn; the view keeps no index into them.
  const QModelIndexList old = persistentIndexList();
  for (const QModelIndex& i : old) changePersistentIndex(i, {});
  emit layoutChanged();
}

FrmJZ::FrmJZ(Database& db, Viewer* viewer, QString site_base_address, Clock clock,
             QWidget* parent)
    : ReportWindow(QStringLiteral("FrmJZ"), QStringLiteral("即将截止"), parent),
      db_(db),
      viewer_(viewer),
      site_base_address_(std::move(site_base_address)),
      clock_(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })) {
  setModal(false);
  CheckAll = new QCheckBox(QStringLiteral("全部公告"), this);
  CheckAll->setObjectName(QStringLiteral("CheckAll"));
  CheckAll->setToolTip(QStringLiteral("不勾选：只看收藏夹与我的观注中的公告"));
  CheckAll->move(Px(120), Px(60));
  CheckAll->adjustSize();
  connect(CheckAll, &QCheckBox::toggled, this, &FrmJZ::Refill);

  ListView1 = new ReportListView(this);
  ListView1->setObjectName(QStringLiteral("ListView1"));
  model_ = new DeskListModel(this);
  // Thousands of rows with "全部公告": one row height for all of them.
  ListView1->setUniformRowHeights(true);
  ListView1->setModel(model_);
  ListView1->SetColumnTwips(C::kDeadline, 1500);
  ListView1->SetColumnTwips(C::kLeft, 1300);
  ListView1->SetColumnTwips(C::kBudget, 1200);
  ListView1->SetColumnTwips(C::kBuyer, 2600);
  ListView1->SetColumnTwips(C::kCorrected, 700);
  ListView1->SetColumnTwips(C::kAddress, 0);
  ListView1->SetFillColumn(C::kTitle, 4000);
  ListView1->EnableHeaderSorting(Qt::AscendingOrder);

  MenuKJJ = new QMenu(QStringLiteral("快捷键"), this);
  MenuKJJ->setObjectName(QStringLiteral("MenuKJJ"));
  MenuExport = MenuKJJ->addAction(QStringLiteral("导出(&E)…"));
  MenuExport->setObjectName(QStringLiteral("MenuExport"));
  ListView1->SetContextMenu(MenuKJJ);
  connect(MenuExport, &QAction::triggered, this, &FrmJZ::Export);
  connect(ListView1, &ReportListView::listDoubleClicked, this, &FrmJZ::OpenRow);

  TimerLeft = new QTimer(this);
  TimerLeft->setObjectName(QStringLiteral("TimerLeft"));
  TimerLeft->setInterval(60000);
  connect(TimerLeft, &QTimer::timeout, this, [this] { model_->SetNow(clock_()); });
  TimerLeft->start();

  PlaceBody(ListView1, 120, 400, 0, 500);
  // 1024×768 holds it whole; larger screens give it a share.
  FitToScreen(QSize(14400, 9000), QSizeF(0.6, 0.6));
  Refill();
}

void FrmJZ::Refill() {
  const QDateTime now = clock_();
  Result<QList<DeskRow>> rows =
      ReadDeskRows(db_, now, CheckAll->isChecked() ? DeskScope::kAll : DeskScope::kMine);
  if (!rows) ShowNote(QStringLiteral("无法读取在投项目：") + rows.error().message);
  model_->SetRows(rows ? std::move(*rows) : QList<DeskRow>(), now);
  ShowCount(model_->rowCount());
}

void FrmJZ::Highlight(const QStringList& titles) { model_->Highlight(titles); }

void FrmJZ::OpenRow(int row) {
  if (row < 0 || row >= model_->rowCount() || !viewer_) return;
  const DeskRow& r = model_->rows()[row];
  viewer_->Open(AnnouncementAddress(r.address, site_base_address_), r.title,
                ViewerMode::kModeless);
}

QList<ShownRow> FrmJZ::ShownRows() const {
  QList<ShownRow> rows;
  rows.reserve(model_->rowCount());
  for (const DeskRow& r : model_->rows())
    rows.append({r.title, AnnouncementTypeName(r.type), r.date, r.address});
  return rows;
}

void FrmJZ::Export() {
  QPointer<FrmJZ> self = this;
  ExportShownRows(this, db_, QStringLiteral("即将截止"), [self] {
    return self ? self->ShownRows() : QList<ShownRow>();
  }, [self](const QString& note) {
    if (self) self->ShowNote(note);
  });
}

}  // namespace talvec
