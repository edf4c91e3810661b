// The command "读取近 N 天公告要素" of 【大数据】: a small window-modal dialog
// asks for N, starts the facts reader on the announcements of those days
// that have no facts yet, shows how far it has come, and cancels it. The
// reading goes on in the background when the dialog is closed; opening it
// again shows the progress.
#pragma once

#include <QDialog>

class QLabel;
class QMainWindow;
class QMenu;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace talvec {

class FactsReader;

class FrmFacts : public QDialog {
  Q_OBJECT

 public:
  FrmFacts(FactsReader& reader, QWidget* parent);

  QSpinBox* SpinDays = nullptr;
  QPushButton* CmdStart = nullptr;
  QPushButton* CmdCancel = nullptr;
  QProgressBar* ProgressFacts = nullptr;
  QLabel* LabelFacts = nullptr;

 private:
  void StartReading();
  void ShowRunning(bool running);

  FactsReader& reader_;
};

// Adds "读取近 N 天公告要素" (MenuFacts) to `menu`.
void InstallFactsCommands(QMainWindow* window, QMenu* menu, FactsReader& reader);

}  // namespace talvec
