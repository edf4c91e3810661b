// The updater's window "系统升级": the dots animation on Timer1, the file
// name, the progress bar and the status panel show what UpdateRun does.
#pragma once

#include <QMainWindow>
#include <QTimer>

#include "updater/update_run.h"

class QLabel;
class QProgressBar;

namespace talvec {

class FrmUpdate : public QMainWindow {
  Q_OBJECT

 public:
  explicit FrmUpdate(UpdaterOptions options, QWidget* parent = nullptr);

  UpdateRun& run() { return run_; }

 private:
  UpdateRun run_;
  QTimer* Timer1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* LabName = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* Panel1 = nullptr;  // the one panel of StatusBar1
  qint16 counter_ = 0;
};

}  // namespace talvec
