// "即将截止": the open tenders of the favorites and the watch list (or, with
// "全部公告", of the whole store) by effective deadline, with the time left,
// the budget, the buyer and a mark for a corrected deadline; rows under 24
// hours and under 3 days coloured, reminded rows highlighted. Not modal.
#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <functional>

#include "desk/desk_rows.h"
#include "ui/list_export.h"
#include "ui/report_view.h"
#include "ui/report_window.h"

class QAction;
class QCheckBox;
class QMenu;
class QTimer;

namespace talvec {

class Database;
class Viewer;

// The rows of "即将截止": texts made when shown, sorted by their values.
class DeskListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kDeadline, kLeft, kTitle, kBudget, kBuyer, kCorrected, kAddress, kColumns };

  using QAbstractTableModel::QAbstractTableModel;
  void SetRows(QList<DeskRow> rows, const QDateTime& now);
  void SetNow(const QDateTime& now);
  void Highlight(const QStringList& titles);
  const QList<DeskRow>& rows() const { return rows_; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

 private:
  QList<DeskRow> rows_;
  QList<qint64> ends_;  // the deadlines' moments, seconds since the epoch
  qint64 now_ = 0;
  QSet<QString> highlighted_;
};

class FrmJZ : public ReportWindow {
  Q_OBJECT

 public:
  using Clock = std::function<QDateTime()>;
  FrmJZ(Database& db, Viewer* viewer, QString site_base_address, Clock clock,
        QWidget* parent = nullptr);

  // Re-reads the open tenders into the list.
  void Refill();
  // Opens the row's announcement in the viewer.
  void OpenRow(int row);
  // Marks the rows of these titles (a reminder came for them).
  void Highlight(const QStringList& titles);
  // The rows in the order shown.
  QList<ShownRow> ShownRows() const;
  void Export();

  QCheckBox* CheckAll = nullptr;
  ReportListView* ListView1 = nullptr;
  QMenu* MenuKJJ = nullptr;
  QAction* MenuExport = nullptr;
  QTimer* TimerLeft = nullptr;  // the time left, once a minute

 private:
  Database& db_;
  Viewer* viewer_;
  QString site_base_address_;
  Clock clock_;
  DeskListModel* model_ = nullptr;
};

}  // namespace talvec
