// The competitor-analysis window: who won the awards whose titles hold
// the product words and the place, a look-up of the winning company, the
// announcement of an award, and a summary page with charts.
#pragma once

#include <QString>

#include "competitors/awards.h"
#include "ui/report_view.h"
#include "ui/report_window.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTimer;

namespace talvec {

class AwardListModel;
class CompetitorSummaryPage;
class Database;
class Viewer;

// Esc closes it; Enter runs the search (Command1 is the default button).
class FrmfX : public ReportWindow {
  Q_OBJECT

 public:
  FrmfX(Database& db, Viewer* viewer, QString site_base_address, QString engine_base_address,
        QWidget* parent = nullptr);
  ~FrmfX() override;

  // Timer1's tick: loads GYS into the full list once.
  void LoadAwards();
  // Command1: refuses an empty product text, else searches the full list
  // and counts the rows found in the status bar.
  void Search();
  // A click on the result list (anywhere in it).
  void ListClicked();
  // Double click or MenuXX: the search engine's page about the company.
  void LookUpCompany();
  // MenuZB: the announcement of the award, cropped.
  void ShowAwardDetails();
  // Saves the page shown (result list or summary) as CSV to `path`, said in
  // the status bar; false, with a message, when it cannot be written.
  bool ExportTo(const QString& path);

  qint32 SelectedAwardRow = 0;

  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Text2 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* CommandDC = nullptr;  // export
  QTabWidget* TabFX = nullptr;
  ReportListView* ListView1 = nullptr;
  AwardListModel* ListView2 = nullptr;  // every row of GYS, never shown
  QLabel* PicZT = nullptr;
  QTimer* Timer1 = nullptr;
  QMenu* MenuXS = nullptr;
  QAction* MenuXX = nullptr;
  QAction* MenuZB = nullptr;
  CompetitorSummaryPage* summaryPage() const { return summary_; }
  AwardListModel* listModel() const { return list_; }

 signals:
  // A page is about to open in the viewer (also without one).
  void pageRequested(const QString& address, const QString& caption);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OpenPage(const QString& address, const QString& caption);
  void ExportDialog();
  const AwardRow* SelectedRow() const;

  Database& db_;
  Viewer* viewer_;
  QString site_base_address_;
  QString engine_base_address_;
  AwardListModel* list_ = nullptr;  // ListView1's rows
  CompetitorSummaryPage* summary_ = nullptr;
  bool loaded_ = false;
};

}  // namespace talvec
