// Shows the common widgets under one interface style and saves a picture:
//   style_preview STYLE.qzv OUT.png
// Run under a display (xvfb-run) to check a style before shipping it.
#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) return 2;
  QFile sheet(QString::fromLocal8Bit(argv[1]));
  if (!sheet.open(QIODevice::ReadOnly)) return 1;
  app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
  const QString out = QString::fromLocal8Bit(argv[2]);

  QMainWindow window;
  window.setObjectName(QStringLiteral("FrmWeath"));
  QMenu* personal = window.menuBar()->addMenu(QStringLiteral("【个人管理】"));
  personal->addAction(QStringLiteral("收藏夹(&F)"))->setShortcut(Qt::Key_F2);
  personal->addSeparator();
  personal->addAction(QStringLiteral("我的观注(&M)"))->setShortcut(Qt::Key_F3);
  personal->addAction(QStringLiteral("添加到收藏夹(&A)"))->setEnabled(false);
  window.menuBar()->addMenu(QStringLiteral("【大数据】"));
  window.menuBar()->addMenu(QStringLiteral("【系统管理】"));
  window.menuBar()->addMenu(QStringLiteral("【帮助】"));

  auto* central = new QWidget;
  auto* grid = new QGridLayout(central);
  auto* types = new QGroupBox(QStringLiteral("公告类型"));
  types->setObjectName(QStringLiteral("Frame2"));
  auto* type_grid = new QGridLayout(types);
  const char* names[] = {"全部公告", "市县预公告", "市县公告",
                         "省预公告", "省级公告",   "市县结果公告"};
  for (int i = 0; i < 6; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(names[i]));
    option->setChecked(i == 0);
    option->setEnabled(i != 5);
    type_grid->addWidget(option, i / 3, i % 3);
  }
  grid->addWidget(types, 0, 0);

  auto* period = new QGroupBox(QStringLiteral("搜索公告时间段选择"));
  auto* period_grid = new QGridLayout(period);
  auto* from = new QDateEdit(QDate(2026, 12, 2));
  from->setCalendarPopup(true);
  from->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  auto* to = new QDateEdit(QDate(2026, 12, 9));
  to->setCalendarPopup(true);
  to->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  to->setEnabled(false);
  period_grid->addWidget(new QRadioButton(QStringLiteral("搜索当日")), 0, 0);
  period_grid->addWidget(new QRadioButton(QStringLiteral("搜索时段")), 0, 2);
  period_grid->addWidget(from, 1, 0);
  period_grid->addWidget(new QLabel(QStringLiteral("至")), 1, 1);
  period_grid->addWidget(to, 1, 2);
  grid->addWidget(period, 0, 1);

  auto* buttons = new QWidget;
  auto* button_row = new QVBoxLayout(buttons);
  auto* search = new QPushButton(QStringLiteral("搜索(&R)"));
  search->setObjectName(QStringLiteral("CMDCX"));
  search->setFixedSize(131, 60);
  button_row->addWidget(search);
  // A light in the program's own colours, set through the palette.
  auto* light = new QLabel;
  light->setObjectName(QStringLiteral("PicJD"));
  light->setAutoFillBackground(true);
  light->setFixedHeight(14);
  QPalette green = light->palette();
  green.setColor(QPalette::Window, QColor(0, 200, 0));
  light->setPalette(green);
  button_row->addWidget(light);
  grid->addWidget(buttons, 0, 2);

  auto* settings = new QGroupBox(QStringLiteral("采集设置"));
  auto* form = new QGridLayout(settings);
  form->addWidget(new QLabel(QStringLiteral("更新时间")), 0, 0);
  auto* minutes = new QSpinBox;
  minutes->setRange(5, 120);
  minutes->setValue(10);
  form->addWidget(minutes, 0, 1);
  form->addWidget(new QLabel(QStringLiteral("分钟")), 0, 2);
  form->addWidget(new QLabel(QStringLiteral("早上")), 1, 0);
  form->addWidget(new QTimeEdit(QTime(8, 0)), 1, 1);
  form->addWidget(new QLabel(QStringLiteral("之前")), 1, 2);
  auto* on = new QCheckBox(QStringLiteral("县市公告"));
  on->setChecked(true);
  form->addWidget(on, 2, 0, 1, 2);
  form->addWidget(new QCheckBox(QStringLiteral("省公告")), 2, 2);
  auto* off = new QCheckBox(QStringLiteral("自动分析结果公告"));
  off->setEnabled(false);
  off->setChecked(true);
  form->addWidget(off, 3, 0, 1, 3);
  auto* text = new QLineEdit(QStringLiteral("电脑 打印机"));
  form->addWidget(text, 4, 0, 1, 2);
  auto* filter = new QPushButton(QStringLiteral("筛选(Q)"));
  filter->setObjectName(QStringLiteral("Command2"));
  form->addWidget(filter, 4, 2);
  auto* ok = new QPushButton(QStringLiteral("确定"));
  ok->setDefault(true);
  form->addWidget(ok, 5, 0);
  form->addWidget(new QPushButton(QStringLiteral("取消")), 5, 1);
  auto* disabled = new QPushButton(QStringLiteral("一键阅读(&R)"));
  disabled->setEnabled(false);
  form->addWidget(disabled, 5, 2);
  auto* progress = new QProgressBar;
  progress->setValue(42);
  form->addWidget(progress, 6, 0, 1, 3);
  grid->addWidget(settings, 1, 0);

  auto* tabs = new QTabWidget;
  auto* list = new QTreeView;
  list->setObjectName(QStringLiteral("ListView2"));
  list->setRootIsDecorated(false);
  list->setAlternatingRowColors(true);
  auto* model = new QStandardItemModel(0, 3, list);
  model->setHorizontalHeaderLabels(
      {QStringLiteral("编号"), QStringLiteral("采购项目"), QStringLiteral("日期")});
  for (int i = 1; i <= 30; ++i) {
    model->appendRow(
        {new QStandardItem(QString::number(i)),
         new QStandardItem(QStringLiteral("成都市第%1人民医院医疗设备采购公告").arg(i)),
         new QStandardItem(QStringLiteral("2026-12-%1").arg(i % 9 + 1, 2, 10, QLatin1Char('0')))});
  }
  list->setModel(model);
  list->setColumnWidth(1, 300);
  list->header()->setSortIndicatorShown(true);
  list->header()->setSortIndicator(1, Qt::AscendingOrder);
  list->selectionModel()->select(model->index(2, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  tabs->addTab(list, QStringLiteral("搜索结果"));
  tabs->addTab(new QWidget, QStringLiteral("我的观注"));
  grid->addWidget(tabs, 1, 1, 1, 2);

  auto* searching = new QLabel(QStringLiteral("正在搜索..."));
  searching->setObjectName(QStringLiteral("PicZT"));
  searching->setAlignment(Qt::AlignCenter);
  searching->setAutoFillBackground(true);
  grid->addWidget(searching, 2, 0);
  auto* title = new QLabel(QStringLiteral("Velt\nrano"));
  title->setObjectName(QStringLiteral("Label5"));
  grid->addWidget(title, 2, 1);

  window.setCentralWidget(central);
  window.statusBar()->addWidget(
      new QLabel(QStringLiteral("上次采集完成：2026-12-09 14:00:00（新增 12 条）")), 1);
  window.resize(1000, 640);
  window.show();
  from->calendarWidget();

  // The calendar and a tooltip are separate windows; the saved picture is
  // the whole screen, taken after they have been shown.
  QTimer::singleShot(300, [&] {
    QCalendarWidget* calendar = from->calendarWidget();
    calendar->setSelectedDate(from->date());
    auto* popup = calendar->window();
    popup->move(window.geometry().left() + 620, window.geometry().top() + 420);
    popup->show();
    personal->popup(window.mapToGlobal(QPoint(4, window.menuBar()->height())));
  });
  QTimer::singleShot(900, [&] {
    QScreen* screen = window.screen();
    screen->grabWindow(0).save(out);
    app.quit();
  });
  return app.exec();
}
