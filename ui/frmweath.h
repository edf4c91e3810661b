// The main window: owns every control, timer and service of the program for
// its whole life. Subsystem logic lives in the libraries below; this class
// wires it to controls.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <functional>

#include "analysis/auto_analysis.h"
#include "collect/collection_schedule.h"
#include "collect/network_status.h"
#include "collect/page_fetcher.h"
#include "core/app_context.h"

class QFrame;
class QLabel;

namespace talvec {

class SearchUi;
class Viewer;

// "Veltrano" shown on two lines: the name split in its middle.
QString TwoLineName(const QString& name);

class FrmWeath : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr const char* kDisplayName = "Veltrano";

  explicit FrmWeath(AppContext& context, QWidget* parent = nullptr);
  ~FrmWeath() override;

  // The load steps of the main window, in their fixed order.
  void Load();

  // What ends the program once the window has closed and the database is
  // closed; the program ends the process at once, tests leave it empty.
  void SetShutdownHandler(std::function<void()> handler) { shutdown_ = std::move(handler); }

  AppContext& context() { return context_; }
  PageFetcher& fetcher() { return fetcher_; }
  NetworkStatus& network() { return *network_; }
  // The collection cycle and its schedule; owns TimerUpdate.
  CollectionSchedule& schedule() { return *schedule_; }
  // Automatic result analysis; owns TimerAuto.
  AutoAnalysis& autoAnalysis() { return *auto_analysis_; }
  // The one announcement viewer; every window opens pages through it.
  Viewer& viewer() { return *viewer_; }
  SearchUi& search() { return *search_; }
  const QString& VersionString() const { return version_string_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void ShowLight(bool visible, int red, int green, int blue);
  QTimer* MakeTimer(const char* name, int interval_ms);

  AppContext& context_;
  QString version_string_;
  std::function<void()> shutdown_;
  PageFetcher fetcher_;
  NetworkStatus* network_ = nullptr;  // owns TimerCheckNet and the pulse timers
  CollectionSchedule* schedule_ = nullptr;
  AutoAnalysis* auto_analysis_ = nullptr;  // owns TimerAuto
  Viewer* viewer_ = nullptr;
  SearchUi* search_ = nullptr;  // search panel, filters, result list, favorites

  QFrame* Frame1 = nullptr;
  QFrame* Frame6 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* PicJD = nullptr;
  QLabel* LabelCollect = nullptr;  // what the collection is doing

  QTimer* Timer4 = nullptr;
  QTimer* TimerGZ = nullptr;
  QTimer* TimerSystemUP = nullptr;
};

}  // namespace talvec
