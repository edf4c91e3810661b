#include "ui/facts_menu.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "dialogs/messages.h"
#include "facts/facts_reader.h"

namespace talvec {

FrmFacts::FrmFacts(FactsReader& reader, QWidget* parent) : QDialog(parent), reader_(reader) {
  setObjectName(QStringLiteral("FrmFacts"));
  setWindowTitle(QStringLiteral("读取公告要素"));
  setWindowModality(Qt::WindowModal);
  setMinimumWidth(360);
  auto* days_row = new QHBoxLayout;
  days_row->addWidget(new QLabel(QStringLiteral("读取近"), this));
  SpinDays = new QSpinBox(this);
  SpinDays->setObjectName(QStringLiteral("SpinDays"));
  SpinDays->setRange(1, 60);
  SpinDays->setValue(7);
  days_row->addWidget(SpinDays);
  days_row->addWidget(new QLabel(QStringLiteral("天公告要素"), this));
  days_row->addStretch(1);
  ProgressFacts = new QProgressBar(this);
  ProgressFacts->setObjectName(QStringLiteral("ProgressFacts"));
  ProgressFacts->setRange(0, 1);
  ProgressFacts->setValue(0);
  LabelFacts = new QLabel(this);
  LabelFacts->setObjectName(QStringLiteral("LabelFacts"));
  CmdStart = new QPushButton(QStringLiteral("开始读取"), this);
  CmdStart->setObjectName(QStringLiteral("CmdStart"));
  CmdCancel = new QPushButton(QStringLiteral("关闭"), this);
  CmdCancel->setObjectName(QStringLiteral("CmdCancel"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(CmdStart);
  buttons->addWidget(CmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(days_row);
  layout->addWidget(ProgressFacts);
  layout->addWidget(LabelFacts);
  layout->addLayout(buttons);

  connect(CmdStart, &QPushButton::clicked, this, &FrmFacts::StartReading);
  connect(CmdCancel, &QPushButton::clicked, this, [this] {
    if (reader_.RecentRunning()) {
      reader_.CancelRecent();
    } else {
      close();
    }
  });
  connect(&reader_, &FactsReader::recentProgress, this, [this](int done, int total) {
    ProgressFacts->setRange(0, total);
    ProgressFacts->setValue(done);
    LabelFacts->setText(QStringLiteral("正在读取公告要素：%1 / %2").arg(done).arg(total));
    ShowRunning(true);
  });
  connect(&reader_, &FactsReader::recentFinished, this,
          [this](int done, int total, bool cancelled) {
            ProgressFacts->setRange(0, std::max(total, 1));
            ProgressFacts->setValue(done);
            LabelFacts->setText(
                cancelled ? QStringLiteral("已取消：读取了 %1 / %2 条公告").arg(done).arg(total)
                          : QStringLiteral("读取完成：共 %1 条公告").arg(total));
            ShowRunning(false);
          });
  ShowRunning(reader_.RecentRunning());
}

void FrmFacts::StartReading() {
  const Result<int> started = reader_.ReadRecent(SpinDays->value());
  if (!started) {
    ShowMessage(this, QMessageBox::Warning, QStringLiteral("系统提示"), started.error().message,
                started.error().detail);
    return;
  }
  if (*started == 0) {
    ProgressFacts->setRange(0, 1);
    ProgressFacts->setValue(1);
    LabelFacts->setText(QStringLiteral("近 %1 天的公告要素都已读取").arg(SpinDays->value()));
    return;
  }
  ShowRunning(true);
}

void FrmFacts::ShowRunning(bool running) {
  SpinDays->setEnabled(!running);
  CmdStart->setEnabled(!running);
  CmdCancel->setText(running ? QStringLiteral("取消") : QStringLiteral("关闭"));
}

void InstallFactsCommands(QMainWindow* window, QMenu* menu, FactsReader& reader) {
  QAction* action = menu->addAction(QStringLiteral("读取近 N 天公告要素"));
  action->setObjectName(QStringLiteral("MenuFacts"));
  auto dialog = std::make_shared<QPointer<FrmFacts>>();
  QObject::connect(action, &QAction::triggered, window, [window, &reader, dialog] {
    if (!*dialog) *dialog = new FrmFacts(reader, window);
    (*dialog)->open();
    (*dialog)->raise();
  });
}

}  // namespace talvec
