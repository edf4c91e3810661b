#include "competitors/summary_model.h"

namespace talvec {

namespace {

// Bodies shown in the cell; the tooltip and the export hold all of them.
constexpr int kBodiesShown = 3;

QString BodiesText(const QStringList& bodies) {
  if (bodies.size() <= kBodiesShown) return bodies.join(QStringLiteral("、"));
  return bodies.mid(0, kBodiesShown).join(QStringLiteral("、")) +
         QStringLiteral("等%1家").arg(bodies.size());
}

}  // namespace

int SummaryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(summary_.size());
}

int SummaryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant SummaryModel::data(const QModelIndex& index, int role) const {
  const CompanySummary* s = At(index.row());
  if (!s) return {};
  if (role == Qt::TextAlignmentRole) {
    const int column = index.column();
    if (column == kColWins || column == kColAmount || column == kColWithoutAmount) {
      return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
  }
  if (role == Qt::ToolTipRole && index.column() == kColBodies) {
    return s->bodies.join(QLatin1Char('\n'));
  }
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kColCompany:
      return s->company;
    case kColWins:
      return QString::number(s->wins);
    case kColAmount:
      return AmountText(*s);
    case kColWithoutAmount:
      return QString::number(s->without_amount);
    case kColLatest:
      return s->latest;
    case kColBodies:
      return BodiesText(s->bodies);
    default:
      return {};
  }
}

QVariant SummaryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kColCompany:
      return QStringLiteral("公司名称");
    case kColWins:
      return QStringLiteral("中标次数");
    case kColAmount:
      return QStringLiteral("中标金额(元)");
    case kColWithoutAmount:
      return QStringLiteral("无金额");
    case kColLatest:
      return QStringLiteral("最近中标");
    case kColBodies:
      return QStringLiteral("采购单位");
    default:
      return {};
  }
}

void SummaryModel::SetSummary(std::vector<CompanySummary> summary) {
  beginResetModel();
  summary_ = std::move(summary);
  endResetModel();
}

const CompanySummary* SummaryModel::At(int row) const {
  if (row < 0 || row >= static_cast<int>(summary_.size())) return nullptr;
  return &summary_[static_cast<std::size_t>(row)];
}

}  // namespace talvec
