#include "updater/frmupdate.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace talvec {

FrmUpdate::FrmUpdate(UpdaterOptions options, QWidget* parent)
    : QMainWindow(parent), run_(std::move(options), this) {
  setObjectName(QStringLiteral("frmUpdate"));
  setWindowTitle(QStringLiteral("系统升级"));
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("frmUpdate"));
  setCentralWidget(central);
  auto* grid = new QGridLayout(central);
  grid->setContentsMargins(18, 14, 18, 10);
  grid->setVerticalSpacing(10);

  Label1 = new QLabel(QStringLiteral("系统升级中"), central);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(QStringLiteral("正在下载:"), central);
  Label2->setObjectName(QStringLiteral("Label2"));
  LabName = new QLabel(central);
  LabName->setObjectName(QStringLiteral("LabName"));
  ProgressBar1 = new QProgressBar(central);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  grid->addWidget(Label1, 0, 0, 1, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(LabName, 1, 1);
  grid->addWidget(ProgressBar1, 2, 0, 1, 2);
  grid->setColumnStretch(1, 1);

  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  statusBar()->setSizeGripEnabled(false);
  Panel1 = new QLabel(statusBar());
  Panel1->setObjectName(QStringLiteral("Panel1"));
  statusBar()->addWidget(Panel1, 1);  // as wide as the window
  resize(460, 170);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(300);
  connect(Timer1, &QTimer::timeout, this, [this] { Label1->setText(NextDotsText(&counter_)); });
  Timer1->start();

  connect(&run_, &UpdateRun::fileNameShown, LabName, &QLabel::setText);
  connect(&run_, &UpdateRun::transferState, Panel1, [this](int state) {
    const QString text = TransferStateText(state);
    if (!text.isEmpty()) Panel1->setText(text);
  });
  connect(&run_, &UpdateRun::statusText, Panel1, &QLabel::setText);
  connect(&run_, &UpdateRun::progress, ProgressBar1, [this](qint64 written, qint64 total) {
    if (total > 0) {
      // The bar counts kilobytes, so that a large package fits its int range.
      ProgressBar1->setRange(0, static_cast<int>((total + 1023) / 1024));
      ProgressBar1->setValue(static_cast<int>((written + 1023) / 1024));
    } else {
      ProgressBar1->setRange(0, 0);  // length unknown: a busy bar
    }
  });
  connect(&run_, &UpdateRun::downloaded, this, [this] {
    if (ProgressBar1->maximum() == 0) ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(ProgressBar1->maximum());
  });
  connect(&run_, &UpdateRun::succeeded, this, [this] {
    Timer1->stop();
    Label1->setText(QStringLiteral("升级成功!"));
  });
  connect(&run_, &UpdateRun::failed, this, [this] {
    Timer1->stop();
    Label1->setText(QStringLiteral("升级失败"));
  });
}

}  // namespace talvec
