// The main window: owns every control and the window's own timers, and
// shows what the services (built before it, handed in) are doing; it sees
// them only through MainWindowServices. Subsystem logic lives in the
// libraries below; this class wires it to controls.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

#include "core/app_context.h"
#include "services/main_window_services.h"
#include "ui/main_layout.h"

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;

namespace talvec {

class FrmfX;
class ClockPanel;
class ElidedLabel;
class FrmSet;
class SearchUi;
class StatusLight;
class Viewer;
class WatchNotifier;
class DeskUi;

// The display name on two lines, broken at the blank nearest its middle; a
// name of one word stays on one line.
QString TwoLineName(const QString& name);

class FrmWeath : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr const char* kDisplayName = "Veltrano";

  FrmWeath(AppContext& context, MainWindowServices& services, QWidget* parent = nullptr);
  ~FrmWeath() override;

  // The load steps of the main window, in their fixed order.
  void Load();

  // What follows the window's close: the program stops the services,
  // closes the database and ends its event loop.
  void SetShutdownHandler(std::function<void()> handler) { shutdown_ = std::move(handler); }

  AppContext& context() { return context_; }
  // The status light PicJD and its pulse timers Timer1-Timer3.
  StatusLight& statusLight() { return *status_light_; }
  // The one announcement viewer; every window opens pages through it.
  Viewer& viewer() { return *viewer_; }
  SearchUi& search() { return *search_; }
  // The watch matcher's notices: sound, FrmGZ, tray.
  WatchNotifier& watchNotices() { return *watch_notices_; }
  DeskUi& desk() { return *desk_; }
  const QString& VersionString() const { return version_string_; }

  // The menu bar, in its fixed order. The personal menu is built by the
  // search side (favorites); the others are filled by their windows.
  QMenu* MenuGR = nullptr;      // 【个人管理】
  QMenu* MenuData = nullptr;    // 【大数据】
  QMenu* MenuSystem = nullptr;  // 【系统管理】
  QMenu* MenuZH = nullptr;      // 【帮助】
  QAction* MenuGZ = nullptr;    // 我的观注(&M), F3
  QAction* MenuFX = nullptr;    // 竞争对手分析(&F), F5

  // The competitor window, without waiting for it; an open one comes to
  // the front. Collection and analysis pause around the opening.
  FrmfX* OpenCompetitorAnalysis();
  // The search engine of company look-ups (the built-in one unless set).
  void SetSearchEngineBase(const QString& base) { search_engine_base_ = base; }

  // The window shell: styles, settings, help, layout and clock
  // (frmweath_shell.cpp).
  QMenu* MenuJM = nullptr;            // 界面方格(&U), the nine styles
  std::array<QAction*, 9> MenuJMk{};  // MenuJM1, MenuJM2, Menu3, MenuJM4 ... MenuJM9
  QAction* MenuSet = nullptr;         // 系统设置(&S)
  QAction* MenuHelp = nullptr;        // 帮助(&Help), F1
  QAction* MenuAbout = nullptr;       // 关于(&A), last in 【帮助】
  // Style n (1..9) at once, and kept for the next start.
  void ChooseStyle(int n);
  // The settings dialog, window-modal; returns it (it deletes itself when
  // closed). After it closes the window applies what acts at once.
  FrmSet* OpenSettings();
  // The help pages in the viewer, modal and uncropped.
  void OpenHelp();
  // The layout pass for the current client area; the clock tick.
  void ApplyLayout();
  void ClockTick();
  const MainLayout& layout() const { return layout_; }

  // The window's place on screen (frmweath_placement.cpp): where the user
  // left it (the normal window's client area) and whether maximised, kept
  // in table UiState when it closes and restored at load, the frame within
  // the screen's available area.
  static constexpr const char* kGeometryKey = "FrmWeath.Geometry";
  static constexpr const char* kMaximizedKey = "FrmWeath.Maximized";

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  QTimer* MakeTimer(const char* name, int interval_ms);
  void BuildShellMenus();
  void AddAboutEntry();
  void SettingsClosed();
  // Opens where the user left it, or at the design size or the screen's
  // available area, whichever is smaller; the frame included, within the
  // available area.
  void FitToScreen();
  // The normal window's client area for a frame of these margins.
  QRect NormalPlace(const QMargins& frame) const;
  void RestorePlacement();
  void KeepPlacement();
  double Dpi() const;

  AppContext& context_;
  QString version_string_;
  std::function<void()> shutdown_;
  MainWindowServices& services_;
  StatusLight* status_light_ = nullptr;
  Viewer* viewer_ = nullptr;
  SearchUi* search_ = nullptr;  // search panel, filters, result list, favorites
  WatchNotifier* watch_notices_ = nullptr;
  DeskUi* desk_ = nullptr;  // 即将截止 and the deadline reminders
  QPointer<FrmfX> frmfx_;
  QString search_engine_base_;

  QFrame* Frame1 = nullptr;
  QFrame* Frame6 = nullptr;
  ElidedLabel* Label5 = nullptr;
  QLabel* PicJD = nullptr;
  QLabel* LabelCollect = nullptr;  // what the collection is doing

  QTimer* Timer4 = nullptr;
  QTimer* TimerSystemUP = nullptr;

  ClockPanel* Picture1 = nullptr;
  QActionGroup* styles_ = nullptr;
  QPointer<FrmSet> settings_dialog_;
  MainLayout layout_ = DesignLayout();
  bool fitted_ = false;
  std::optional<QRect> kept_geometry_;  // where an earlier run left it
};

}  // namespace talvec
