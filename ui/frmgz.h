// The watch-list window "我的观注": the watched words, look-back and keep
// days and notice choices, and the entries the matcher added. Shown modal
// for the user with show(), never with a nested event loop, so collection
// and later matcher runs go on while it is open.
#pragma once

#include <QAbstractSpinBox>
#include <QDate>
#include <functional>

#include "ui/report_view.h"
#include "ui/report_window.h"
#include "watch/watch_list.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;

namespace talvec {

class Database;
class WatchListModel;
class WatchRulesPage;
struct SystemSettings;

// A day-count box with its up-down arrows: the text stays free (it is
// checked when saved); the arrows step its leading number within a range.
class DayCountBox : public QAbstractSpinBox {
  Q_OBJECT

 public:
  DayCountBox(int minimum, int maximum, QWidget* parent = nullptr);
  QString text() const;
  void setText(const QString& text);
  void stepBy(int steps) override;
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }

 protected:
  StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

 private:
  int minimum_, maximum_;
};

class FrmGZ : public ReportWindow {
  Q_OBJECT

 public:
  // Opens a page in the viewer, modal; returns the viewer window, whose
  // destruction ends the viewing, or nullptr when no window opened.
  using OpenModalPage = std::function<QWidget*(const QString& address, const QString& caption)>;

  // The load: columns, the settings panel from the settings row, the purge
  // of entries older than the keep days, the list, and the rules' tab.
  // Enter in a box saves the panel as 设置(&S) does; Esc closes without saving.
  FrmGZ(Database& db, SystemSettings& settings, OpenModalPage open_page,
        std::function<QDate()> today = {}, QWidget* parent = nullptr);

  void Refill();
  // Command1: checks and saves the settings panel.
  void SaveSettings();
  // Command2: every entry read.
  void MarkAllRead();
  // A double click: the entry in the viewer; its title read once closed.
  void OpenRow(int row);
  void DeleteCurrent();
  void DeleteAll();
  // A header click: the one sort direction flips, the list sorts by the
  // column's text.
  void SortByHeader(int section);
  Qt::SortOrder sortDirection() const;
  WatchListModel* model() const { return model_; }

  QLineEdit* Text1 = nullptr;
  QLineEdit* Text2 = nullptr;
  DayCountBox* Text3 = nullptr;  // with its up-down UpDown1, 1 to 30
  DayCountBox* Text4 = nullptr;  // with its up-down UpDown2, 7 to 30
  QCheckBox* Check2 = nullptr;
  QCheckBox* Check3 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;  // 一键阅读: on while an unread entry is listed
  QGroupBox* Frame1 = nullptr;
  QComboBox* ComboRule = nullptr;  // the entries of one rule, or of all
  ReportListView* ListView1 = nullptr;
  QTabWidget* TabGZ = nullptr;  // "我的观注", "观注规则"
  WatchRulesPage* RulesPage = nullptr;
  QMenu* MenuKJJ = nullptr;
  QAction* MenuDelete = nullptr;
  QAction* MenuDellall = nullptr;
  QAction* MenuExport = nullptr;  // "导出(&E)…"

 signals:
  // Entries were marked or deleted (the unread count may have changed).
  void entriesChanged();
  // The default words or a rule were stored: the matcher should run soon.
  void watchSaved();

 private:
  void CreateControls();
  void LoadSettings();
  void MarkTitleRead(const QString& title);
  void EnableListCommands();
  QDate Today() const { return today_ ? today_() : QDate::currentDate(); }

  Database& db_;
  SystemSettings& settings_;
  OpenModalPage open_page_;
  std::function<QDate()> today_;
  WatchListModel* model_ = nullptr;
};

}  // namespace talvec
