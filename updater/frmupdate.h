// The updater's window "系统升级": the dots animation on Timer1, the file
// name, the progress bar and the status panel show what UpdateRun does. A
// failure's cause stays on screen with a "确定" button (Command2) that
// starts the old program at once; otherwise it starts when the display
// time ends. Closing the window cancels the update.
#pragma once

#include <QMainWindow>
#include <QTimer>

#include "updater/update_run.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace talvec {

class FrmUpdate : public QMainWindow {
  Q_OBJECT

 public:
  explicit FrmUpdate(UpdaterOptions options, QWidget* parent = nullptr);

  UpdateRun& run() { return run_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void ShowFailure(const QString& why);

  UpdateRun run_;
  int failure_display_ms_;
  QTimer* Timer1 = nullptr;
  QTimer* countdown_ = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* LabName = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* LabCause = nullptr;
  QPushButton* Command2 = nullptr;
  QLabel* Panel1 = nullptr;  // the one panel of StatusBar1
  qint16 counter_ = 0;
  int seconds_left_ = 0;
};

}  // namespace talvec
