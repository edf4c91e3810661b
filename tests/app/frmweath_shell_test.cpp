// The main window's shell in process and offscreen: styles, the settings
// dialog and what it changes, the menu entries and their keys.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <QTimeEdit>

#include "core/settings.h"
#include "core/ui_state.h"
#include "services/services.h"
#include "sitesim/site_simulator.h"
#include "tests/message_log.h"
#include "tests/test_support.h"
#include "ui/about.h"
#include "ui/frmset.h"
#include "ui/frmweath.h"
#include "ui/search_panel.h"
#include "ui/search_ui.h"
#include "ui/skin.h"
#include "ui/twips.h"

namespace talvec {
namespace {

QString StyleFile(int n) {
  QFile file(SkinPath(QStringLiteral(TALVEC_BIN_DIR), n));
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct Shell {
  explicit Shell(ScheduleOptions options = {},
                 QString site = QStringLiteral("http://127.0.0.1:1")) {
    LoadSystemSettings(temp.db(), &context.settings);
    context.settings.SiteBaseAddress = site;
    context.program_folder = QStringLiteral(TALVEC_BIN_DIR);
    context.db = &temp.db();
    context.version = QStringLiteral("1.01.0020");
    services = std::make_unique<Services>(temp.db(), context.settings, options);
    window = std::make_unique<FrmWeath>(context, *services);
    window->Load();
    log_path = temp.folder() + QStringLiteral("/boxes.txt");
    log = std::make_unique<test_support::MessageLog>(log_path);
    SetMessageSink(log.get());
  }
  ~Shell() { SetMessageSink(nullptr); }
  QString Boxes() {
    QFile file(log_path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }
  QString Column(const char* sql_column) {
    if (QLatin1String(sql_column) == QLatin1String("researchlx"))
      return temp.db().Scalar("SELECT researchlx FROM SysSet").toString();
    return temp.db().Scalar("SELECT updatetime FROM SysSet").toString();
  }

  test_support::TempDatabase temp;
  AppContext context;
  std::unique_ptr<Services> services;
  std::unique_ptr<FrmWeath> window;
  QString log_path;
  std::unique_ptr<test_support::MessageLog> log;
};

TEST(FrmWeathShell, PlaceSizeAndMaximisedStateAreKeptWithinTheScreen) {
  test_support::TempDatabase temp;
  AppContext context;
  LoadSystemSettings(temp.db(), &context.settings);
  context.settings.SiteBaseAddress = QStringLiteral("http://127.0.0.1:1");
  context.db = &temp.db();
  Services services(temp.db(), context.settings);
  UiState state(temp.db());
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  auto open = [&] {
    auto window = std::make_unique<FrmWeath>(context, services);
    window->Load();
    window->show();
    QTest::qWait(400);  // the fits after the window manager's frame
    return window;
  };

  // First start: the design size or the screen, centred.
  auto window = open();
  const QSize design = QSize(TwipsToPixels(kDesignWindowWidth, window->logicalDpiX()),
                             TwipsToPixels(kDesignWindowHeight, window->logicalDpiY()))
                           .boundedTo(area.size());
  EXPECT_EQ(window->frameGeometry().size(), design);
  // Moved and resized by the user, then closed: the next start is there.
  const QRect moved(area.left() + 30, area.top() + 20, area.width() / 2, area.height() / 2);
  window->setGeometry(moved);
  window->close();
  window = open();
  EXPECT_EQ(window->geometry(), moved);

  // A place kept from a larger screen or beyond an edge comes back inside.
  const QString key = QLatin1String(FrmWeath::kGeometryKey);
  ASSERT_TRUE(
      state.SetRect(key, QRect(area.right() - 100, area.bottom() - 50, area.width() + 300, 200)));
  window.reset();
  window = open();
  EXPECT_TRUE(area.contains(window->frameGeometry()));
  EXPECT_EQ(window->frameGeometry().width(), area.width());
  EXPECT_EQ(window->frameGeometry().bottom(), area.bottom());
  EXPECT_EQ(window->height(), 200);
  ASSERT_TRUE(state.SetRect(key, QRect(-5000, -5000, 300, area.height() + 1)));
  window.reset();
  window = open();
  EXPECT_TRUE(area.contains(window->frameGeometry()));
  EXPECT_EQ(window->frameGeometry().topLeft(), area.topLeft());
  EXPECT_EQ(window->frameGeometry().height(), area.height());
  EXPECT_EQ(window->width(), 300);

  // Maximised when closed: maximised at the next start, and back at the
  // kept place when the user restores it.
  window->setGeometry(moved);
  window->showMaximized();
  window->close();
  EXPECT_EQ(state.Flag(QLatin1String(FrmWeath::kMaximizedKey)).value_or(false),
            std::optional<bool>(true));
  window = open();
  EXPECT_TRUE(window->isMaximized());
  window->showNormal();
  QTest::qWait(100);
  EXPECT_EQ(window->geometry(), moved);
  window->close();
  EXPECT_EQ(state.Flag(QLatin1String(FrmWeath::kMaximizedKey)).value_or(false),
            std::optional<bool>(false));
}

TEST(FrmWeathShell, EachStyleEntryAppliesAndStoresItsOwnNumber) {
  Shell s;
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  QMenu* styles = s.window->MenuJM;
  ASSERT_NE(styles, nullptr);
  EXPECT_EQ(styles->title(), QStringLiteral("界面方格(&U)"));
  const char* names[] = {"MenuJM1", "MenuJM2", "Menu3",   "MenuJM4", "MenuJM5",
                         "MenuJM6", "MenuJM7", "MenuJM8", "MenuJM9"};
  const char* captions[] = {"界面方格一", "界面方格二", "界面方格三", "界面方格四", "界面方格五",
                            "界面方格六", "界面方格七", "界面方格八", "界面方格九"};
  // Entries in order with a separator between every two.
  const QList<QAction*> actions = styles->actions();
  ASSERT_EQ(actions.size(), 17);
  for (int k = 1; k <= 9; ++k) {
    QAction* entry = actions.at(2 * (k - 1));
    EXPECT_EQ(entry->objectName(), QLatin1String(names[k - 1]));
    EXPECT_EQ(entry->text(), QString::fromUtf8(captions[k - 1]));
    if (k < 9) {
      EXPECT_TRUE(actions.at(2 * k - 1)->isSeparator());
    }
  }
  for (int k : {3, 1, 9, 2, 6}) {
    const QString sheet = StyleFile(k);
    ASSERT_FALSE(sheet.isEmpty()) << k;
    s.window->findChild<QAction*>(QLatin1String(names[k - 1]))->trigger();
    EXPECT_EQ(app->styleSheet(), sheet) << k;
    EXPECT_EQ(s.temp.db().Scalar("SELECT UIType FROM SysSet").toInt(), k);
    // The next start reads the number again and applies the same file.
    SystemSettings next;
    ASSERT_TRUE(LoadSystemSettings(s.temp.db(), &next));
    EXPECT_EQ(next.UIType, k);
    app->setStyleSheet(QString());
    EXPECT_TRUE(ApplySkin(*app, s.context.program_folder, next.UIType));
    EXPECT_EQ(app->styleSheet(), sheet);
  }
  // A missing file leaves the look as it was, silently.
  EXPECT_FALSE(ApplySkin(*app, s.temp.folder(), 4));
  EXPECT_EQ(app->styleSheet(), StyleFile(6));
  EXPECT_TRUE(s.Boxes().isEmpty());
  app->setStyleSheet(QString());
}

TEST(FrmWeathShell, MenuEntriesAndKeys) {
  Shell s;
  FrmWeath& w = *s.window;
  const QList<QAction*> system = w.MenuSystem->actions();
  ASSERT_EQ(system.size(), 3);
  EXPECT_EQ(system.at(0)->menu(), w.MenuJM);
  EXPECT_TRUE(system.at(1)->isSeparator());
  EXPECT_EQ(system.at(2), w.MenuSet);
  EXPECT_EQ(w.MenuSet->text(), QStringLiteral("系统设置(&S)"));
  EXPECT_EQ(w.MenuHelp->text(), QStringLiteral("帮助(&Help)"));
  EXPECT_EQ(w.MenuZH->actions().value(0), w.MenuHelp);
  const struct {
    const char* name;
    Qt::Key key;
  } keys[] = {{"MenuHelp", Qt::Key_F1}, {"MenuSCJ", Qt::Key_F2}, {"MenuSearch", Qt::Key_F8}};
  for (const auto& k : keys) {
    auto* action = w.findChild<QAction*>(QLatin1String(k.name));
    ASSERT_NE(action, nullptr) << k.name;
    EXPECT_EQ(action->shortcut(), QKeySequence(k.key)) << k.name;
  }
  EXPECT_FALSE(w.windowIcon().isNull());
}

TEST(FrmWeathShell, AboutTellsVersionDatabaseAndAnnouncements) {
  Shell s;
  FrmWeath& w = *s.window;
  // Last in the help menu, after a separator.
  const QList<QAction*> help = w.MenuZH->actions();
  ASSERT_GE(help.size(), 2);
  EXPECT_EQ(help.last(), w.MenuAbout);
  EXPECT_TRUE(help.at(help.size() - 2)->isSeparator());
  ASSERT_NE(w.MenuAbout, nullptr);
  EXPECT_EQ(w.MenuAbout->text(), QStringLiteral("关于(&A)"));

  for (int i = 1; i <= 1234; ++i) {
    ASSERT_TRUE(s.temp.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, 1)",
                                    QStringLiteral("公告%1").arg(i), QStringLiteral("/v/x"),
                                    QStringLiteral("2024-05-06")));
  }
  s.temp.db().Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  // The database lies in the program folder, as the program opens it.
  s.context.program_folder = s.temp.folder();
  w.MenuAbout->trigger();
  const QString box = s.Boxes();
  const qint64 bytes = QFileInfo(s.temp.path()).size();
  EXPECT_TRUE(box.startsWith(QStringLiteral("1|系统信息|Veltrano（TALVEC）\n版本：1.01.0020\n")))
      << box.toStdString();
  EXPECT_TRUE(
      box.contains(QStringLiteral("数据库文件：%1\n").arg(QDir::toNativeSeparators(s.temp.path()))))
      << box.toStdString();
  EXPECT_TRUE(box.contains(
      QStringLiteral("（%1 字节）").arg(QLocale(QLocale::Chinese, QLocale::China).toString(bytes))))
      << bytes << " " << box.toStdString();
  EXPECT_TRUE(box.contains(QStringLiteral("已存公告：1,234 条"))) << box.toStdString();

  // A count that fails says so instead of a number.
  AboutFacts facts;
  facts.announcements = Fail(Error::Kind::kBusy, QStringLiteral("无法统计已存公告"), "locked");
  EXPECT_TRUE(
      AboutText(facts).contains(QStringLiteral("已存公告：无法统计（无法统计已存公告\nlocked）")));
}

TEST(FrmWeathShell, SettingsDialogRefusesBadInputAndCancelStillAppliesTheClose) {
  Shell s;
  s.context.settings.AutoAnalysis = 1;
  s.context.settings.researchlx = QStringLiteral("t,f,t,t,t,t,t,t,t,t");
  ASSERT_TRUE(s.temp.db().Execute("UPDATE SysSet SET AutoAnalysis=1, research=1, researchlx=?",
                                  "t,f,t,t,t,t,t,t,t,t"));
  s.window->MenuSet->trigger();
  FrmSet* dialog = s.window->findChild<FrmSet*>(QStringLiteral("frmSet"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowTitle(), QStringLiteral("系统设置"));
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
  EXPECT_TRUE(dialog->Check1->isChecked());
  EXPECT_FALSE(dialog->CheckGG[1]->isChecked());
  EXPECT_TRUE(dialog->CheckGG[0]->isChecked());
  // The enabling follows the collection mode.
  EXPECT_TRUE(dialog->Text1->isEnabled());
  dialog->Option2->click();
  EXPECT_FALSE(dialog->Text1->isEnabled());
  EXPECT_FALSE(dialog->UpDown1->isEnabled());
  dialog->Option1->click();
  EXPECT_TRUE(dialog->Text1->isEnabled() && dialog->UpDown1->isEnabled());

  const QString before = s.Column("researchlx");
  for (const char* bad : {"abc", "4", "121"}) {
    dialog->Text1->setText(QString::fromUtf8(bad));
    dialog->OKButton->click();
    EXPECT_TRUE(dialog->isVisible()) << bad;
    EXPECT_EQ(dialog->focusWidget(), dialog->Text1) << bad;
  }
  EXPECT_EQ(s.Boxes().count(QStringLiteral("数据安全|请输入正确数值：5-120")), 3);
  dialog->Text1->setText(QStringLiteral("20"));
  dialog->Text3->setText(QStringLiteral("manage.example'"));
  dialog->OKButton->click();
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(s.Boxes().count(QStringLiteral("|数据安全|")), 4);

  // Cancel after edits: nothing written, yet the close steps run.
  for (QCheckBox* box : dialog->CheckGG) box->setChecked(false);
  dialog->Check1->setChecked(false);
  s.services->analysis.timerAuto()->stop();
  s.window->search().panel()->type_options[2]->setEnabled(true);
  dialog->CancelButton->click();
  QTest::qWait(0);
  EXPECT_TRUE(s.window->findChildren<FrmSet*>().isEmpty() || !dialog->isVisible());
  EXPECT_EQ(s.Column("researchlx"), before);
  EXPECT_EQ(s.context.settings.AutoAnalysis, 1);
  EXPECT_TRUE(s.services->analysis.timerAuto()->isActive());
  // The type option of channel 2 is disabled again by its stored flag.
  EXPECT_FALSE(s.window->search().panel()->type_options[2]->isEnabled());
}

TEST(FrmWeathShell, SpinControlStepsTheIntervalWithinItsRange) {
  const struct {
    const char* text;
    int step;
    const char* next;
  } cases[] = {{"10", 1, "11"},    {"7.5", 1, "8"},    {"7.5", -1, "7"},
               {"120", 1, "120"},  {"5", -1, "5"},     {"abc", 1, "5"},
               {"abc", -1, "120"}, {"200", -1, "120"}, {"", 1, "5"}};
  for (const auto& c : cases) {
    EXPECT_EQ(StepInterval(QString::fromUtf8(c.text), c.step), QLatin1String(c.next)) << c.text;
  }
}

TEST(FrmWeathShell, OkChangesTheIntervalAndChannelsOfTheNextCycle) {
  sitesim::Options options;
  options.seed = 5;
  options.today = QDate::currentDate();
  options.days_back = 3;
  options.new_every_seconds = 0;
  sitesim::SiteSimulator sim(options);
  ASSERT_TRUE(sim.Listen());
  Shell s({.first_check_seconds = 0, .construction_base = sim.BaseUrl()}, sim.BaseUrl());
  ASSERT_TRUE(QTest::qWaitFor([&] { return s.services->network.NetworkOk(); }, 10000));

  FrmSet* dialog = s.window->OpenSettings();
  ASSERT_NE(dialog, nullptr);
  for (QCheckBox* box : dialog->CheckGG) box->setChecked(false);
  dialog->CheckGG[3]->setChecked(true);  // result announcements, type 4
  dialog->Check1->setChecked(false);
  dialog->Text1->setText(QStringLiteral("5"));
  dialog->DTPicker1->setTime(QTime(0, 0, 0));
  dialog->DTPicker2->setTime(QTime(23, 59, 59));
  dialog->OKButton->click();
  ASSERT_TRUE(s.Boxes().isEmpty()) << s.Boxes().toStdString();
  EXPECT_EQ(s.context.settings.IntervalSeconds, 300);
  EXPECT_EQ(s.context.settings.researchlx, "f,f,f,t,f,f,f,f,f,f");
  EXPECT_FALSE(s.services->analysis.timerAuto()->isActive());
  // Only type 4 (and the construction site's tenders, stored as 2) may be
  // enabled as a search type now.
  EXPECT_FALSE(s.window->search().panel()->type_options[1]->isEnabled());

  CollectionSchedule& schedule = s.services->schedule;
  schedule.ScheduleTick();  // the first check starts a cycle at once
  ASSERT_TRUE(schedule.CycleRunning());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !schedule.CycleRunning(); }, 30000));
  Statement st = s.temp.db().Query("SELECT DISTINCT LX FROM List ORDER BY LX");
  QList<int> types;
  while (st.Next()) types << static_cast<int>(st.Int(0));
  EXPECT_TRUE(types.contains(4));
  for (int type : types) EXPECT_TRUE(type == 2 || type == 4) << type;
  // The next check comes after 300 ticks, not 600.
  for (int i = 0; i < 300; ++i) schedule.ScheduleTick();
  EXPECT_EQ(schedule.ScheduleTicks(), 300);
  EXPECT_FALSE(schedule.CycleRunning());
  schedule.ScheduleTick();
  EXPECT_EQ(schedule.ScheduleTicks(), 0);
  EXPECT_TRUE(schedule.CycleRunning());
  s.services->Stop();
}

}  // namespace
}  // namespace talvec
