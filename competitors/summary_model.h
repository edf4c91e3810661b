// The summary per company as a table: "公司名称", "中标次数",
// "中标金额(元)", "无金额", "最近中标", "采购单位".
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "competitors/summary.h"

namespace talvec {

class SummaryModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column {
    kColCompany = 0,
    kColWins,
    kColAmount,
    kColWithoutAmount,
    kColLatest,
    kColBodies,
    kColumnCount
  };

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void SetSummary(std::vector<CompanySummary> summary);
  const std::vector<CompanySummary>& summary() const { return summary_; }
  const CompanySummary* At(int row) const;

 private:
  std::vector<CompanySummary> summary_;
};

}  // namespace talvec
