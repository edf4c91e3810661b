#include "updater/frmupdate.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace talvec {

namespace {

QString Size(qint64 bytes) {
  return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

}  // namespace

FrmUpdate::FrmUpdate(UpdaterOptions options, QWidget* parent)
    : QMainWindow(parent), run_(options, this), failure_display_ms_(options.failure_display_ms) {
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
  LabCause = new QLabel(central);
  LabCause->setObjectName(QStringLiteral("LabCause"));
  LabCause->setWordWrap(true);
  LabCause->setTextInteractionFlags(Qt::TextSelectableByMouse);
  LabCause->hide();
  Command2 = new QPushButton(QStringLiteral("确定"), central);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->hide();
  grid->addWidget(Label1, 0, 0, 1, 2);
  grid->addWidget(Label2, 1, 0);
  grid->addWidget(LabName, 1, 1);
  grid->addWidget(ProgressBar1, 2, 0, 1, 2);
  grid->addWidget(LabCause, 3, 0, 1, 2);
  grid->addWidget(Command2, 4, 1, Qt::AlignRight);
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
  connect(&run_, &UpdateRun::statusText, Panel1, [this](const QString& text) {
    Panel1->setText(text);
    Panel1->setToolTip(text);
  });
  connect(&run_, &UpdateRun::progress, ProgressBar1, [this](qint64 written, qint64 total) {
    if (total > 0) {
      // The bar counts kilobytes, so that a large package fits its int range.
      ProgressBar1->setRange(0, static_cast<int>((total + 1023) / 1024));
      ProgressBar1->setValue(static_cast<int>((written + 1023) / 1024));
      ProgressBar1->setFormat(QStringLiteral("%p%  (%1 / %2)").arg(Size(written), Size(total)));
    } else {
      ProgressBar1->setRange(0, 0);  // length unknown: a busy bar, the size beside the name
      LabName->setText(QStringLiteral("%1  (%2)").arg(run_.FileName(), Size(written)));
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
  connect(&run_, &UpdateRun::failed, this, &FrmUpdate::ShowFailure);
  connect(Command2, &QPushButton::clicked, &run_, &UpdateRun::Acknowledge);
}

void FrmUpdate::ShowFailure(const QString& why) {
  Timer1->stop();
  LabCause->setText(QStringLiteral("失败原因: %1").arg(why));
  LabCause->show();
  Command2->show();
  Command2->setDefault(true);
  Command2->setFocus();
  // Label1 counts down to the old program's start.
  seconds_left_ = (failure_display_ms_ + 999) / 1000;
  auto show_left = [this] {
    Label1->setText(QStringLiteral("升级失败，%1 秒后启动原程序").arg(seconds_left_));
  };
  show_left();
  countdown_ = new QTimer(this);
  countdown_->setObjectName(QStringLiteral("CountDown"));
  connect(countdown_, &QTimer::timeout, this, [this, show_left] {
    if (seconds_left_ > 0) --seconds_left_;
    show_left();
  });
  countdown_->start(1000);
  connect(&run_, &UpdateRun::finished, countdown_, &QTimer::stop);
}

void FrmUpdate::closeEvent(QCloseEvent* event) {
  // The old program comes back; a download under way is given up.
  if (!run_.over()) run_.Cancel();
  event->accept();
}

}  // namespace talvec
