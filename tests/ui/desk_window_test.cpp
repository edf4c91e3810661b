// "即将截止" as the user sees it: the kept open tenders by deadline, the
// store's with "全部公告", time left and colours by the injected clock,
// numeric sorting of the budget, highlighted rows and what an export takes.
#include <gtest/gtest.h>
#include <QSignalSpy>

#include <QBrush>
#include <QCheckBox>
#include <QHeaderView>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QLineEdit>
#include <QStatusBar>

#include "core/app_context.h"
#include "core/database.h"
#include "core/settings.h"
#include "facts/facts_store.h"
#include "services/services.h"
#include "tests/test_support.h"
#include "ui/desk_ui.h"
#include "ui/facts_filter_bar.h"
#include "ui/frmjz.h"
#include "ui/frmweath.h"
#include "ui/result_list.h"
#include "ui/search_ui.h"

namespace talvec {
namespace {

const QDateTime kNow(QDate(2026, 12, 10), QTime(9, 0));

class DeskWindowTest : public ::testing::Test {
 protected:
  Database& db() { return tmp_.db(); }
  void Tender(const QString& title, const QString& deadline, double budget, bool kept) {
    ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, '2026-12-01', 7)",
                             title, QStringLiteral("/v/") + title));
    PageFacts f;
    f.project_key = f.project_no = QStringLiteral("K-") + title;
    f.project_name = title;
    f.buyer = QStringLiteral("采购人") + title;
    f.deadline = deadline;
    f.budget = budget;
    ASSERT_TRUE(WritePageFacts(db(), title, f, QStringLiteral("2026-12-01"), kNow));
    if (kept) {
      ASSERT_TRUE(db().Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES(?, '', '')", title));
    }
  }
  static QStringList Column(const QAbstractItemModel* m, int column, int role = Qt::DisplayRole) {
    QStringList texts;
    for (int r = 0; r < m->rowCount(); ++r) texts.append(m->index(r, column).data(role).toString());
    return texts;
  }
  test_support::TempDatabase tmp_;
};

TEST_F(DeskWindowTest, OpenTendersByDeadlineWithTimeLeftColoursAndSorting) {
  Tender(QStringLiteral("甲"), QStringLiteral("2026-12-20 09:30"), 95000, true);
  Tender(QStringLiteral("乙"), QStringLiteral("2026-12-10 19:00"), 1200000, true);
  Tender(QStringLiteral("丙"), QStringLiteral("2026-12-12"), 500000, false);
  Tender(QStringLiteral("丁"), QStringLiteral("2026-12-01 09:00"), 300000, true);  // passed
  auto* window = new FrmJZ(db(), nullptr, QString(), [] { return kNow; });
  window->show();
  using C = DeskListModel::Column;
  const QAbstractItemModel* m = window->ListView1->model();
  EXPECT_EQ(Column(m, C::kTitle), (QStringList{"乙", "甲"}));
  EXPECT_EQ(Column(m, C::kLeft), (QStringList{"10小时0分", "10天0小时"}));
  EXPECT_EQ(Column(m, C::kDeadline), (QStringList{"12-10 19:00", "12-20 09:30"}));
  EXPECT_EQ(Column(m, C::kBudget), (QStringList{"120.00", "9.50"}));
  EXPECT_EQ(m->index(0, C::kTitle).data(Qt::ForegroundRole).value<QBrush>().color(),
            QColor(0xC0, 0x00, 0x00));
  EXPECT_FALSE(m->index(1, C::kTitle).data(Qt::ForegroundRole).isValid());

  window->CheckAll->setChecked(true);
  EXPECT_EQ(Column(m, C::kTitle), (QStringList{"乙", "丙", "甲"}));
  EXPECT_EQ(m->index(1, C::kLeft).data().toString(), QStringLiteral("2天15小时"));
  EXPECT_EQ(m->index(1, C::kTitle).data(Qt::ForegroundRole).value<QBrush>().color(),
            QColor(0xB0, 0x60, 0x00));

  // The budget sorts by its value, not its text ("9.50" after "120.00").
  window->ListView1->header()->sectionClicked(C::kBudget);
  const QStringList first = Column(m, C::kBudget);
  window->ListView1->header()->sectionClicked(C::kBudget);
  const QStringList second = Column(m, C::kBudget);
  EXPECT_EQ(first.size(), 3);
  EXPECT_TRUE((first == QStringList{"9.50", "50.00", "120.00"} &&
               second == QStringList{"120.00", "50.00", "9.50"}) ||
              (second == QStringList{"9.50", "50.00", "120.00"} &&
               first == QStringList{"120.00", "50.00", "9.50"}));

  window->Highlight({QStringLiteral("丙")});
  for (int r = 0; r < m->rowCount(); ++r) {
    EXPECT_EQ(m->index(r, C::kBuyer).data(Qt::BackgroundRole).isValid(),
              m->index(r, C::kTitle).data().toString() == QStringLiteral("丙"));
  }
  const QList<ShownRow> shown = window->ShownRows();
  ASSERT_EQ(shown.size(), 3);
  EXPECT_EQ(shown[0].type, QStringLiteral("省采购公告"));
  EXPECT_EQ(shown[0].title, m->index(0, C::kTitle).data().toString());
  window->close();
}

// The result list's facts columns: values, sorting by value with unknown
// ones below, a passed deadline greyed.
TEST_F(DeskWindowTest, ResultListFactsColumnsSortByValue) {
  Tender(QStringLiteral("甲"), QStringLiteral("2026-12-20 09:30"), 95000, false);
  Tender(QStringLiteral("乙"), QStringLiteral("2020-12-10"), 1200000, false);
  ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES('丙', '', '2026-12-01', 7)"));
  auto full = std::make_shared<ResultSet>(ResultSet{{QStringLiteral("甲"), "", "", ""},
                                                    {QStringLiteral("乙"), "", "", ""},
                                                    {QStringLiteral("丙"), "", "", ""}});
  ResultListModel model;
  model.SetDatabase(&db());
  model.SetRows(full, AllRows(*full));
  EXPECT_EQ(Column(&model, kColBudget), (QStringList{"9.50", "120.00", ""}));
  EXPECT_EQ(Column(&model, kColDeadline), (QStringList{"12-20 09:30", "12-10", ""}));
  EXPECT_EQ(model.index(1, kColDeadline).data(Qt::ForegroundRole).value<QBrush>().color(),
            QColor(Qt::gray));
  EXPECT_FALSE(model.index(0, kColDeadline).data(Qt::ForegroundRole).isValid());
  struct Case {
    int column;
    Qt::SortOrder order;
    QStringList titles;
  };
  for (const Case& c : std::vector<Case>{{kColBudget, Qt::AscendingOrder, {"丙", "甲", "乙"}},
                                         {kColBudget, Qt::DescendingOrder, {"乙", "甲", "丙"}},
                                         {kColDeadline, Qt::AscendingOrder, {"丙", "乙", "甲"}},
                                         {kColDeadline, Qt::DescendingOrder, {"甲", "乙", "丙"}}}) {
    model.sort(c.column, c.order);
    EXPECT_EQ(Column(&model, kColTitle), c.titles) << c.column << " " << c.order;
  }
  // Facts read while the list is shown reach its cells.
  model.sort(kColTitle, Qt::AscendingOrder);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  PageFacts late;
  late.budget = 50000;
  late.budget_text = QStringLiteral("5万元");
  ASSERT_TRUE(WritePageFacts(db(), QStringLiteral("丙"), late, QStringLiteral("2026-12-01"),
                             QDateTime::currentDateTime()));
  model.FactsArrived(QStringLiteral("丙"));
  EXPECT_EQ(changed.size(), 1);
  EXPECT_TRUE(Column(&model, kColBudget).contains(QStringLiteral("5.00")));
}

// The main window: F6 opens the desk, a reminder due by the injected clock
// reaches the status bar and highlights its row, the facts filters narrow the
// result list. With TALVEC_SCREENSHOTS set, pictures of both windows at two
// screen sizes go there.
TEST_F(DeskWindowTest, MainWindowDeskRemindersAndFilters) {
  const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
  const QDateTime now = QDateTime::currentDateTime();
  struct Tendered {
    const char* title;
    int days_left;
    double budget;
    bool kept;
  };
  for (const Tendered& t : std::vector<Tendered>{
           {"成都市教育局课桌椅采购项目采购公告", 2, 820000, true},
           {"绵阳市人民医院监护仪采购项目采购公告", 12, 1500000, true},
           {"德阳市公安局办公电脑采购项目采购公告", 5, 300000, false},
           {"遂宁市水务局水质监测设备采购公告", -3, 2600000, false}}) {
    const QString title = QString::fromUtf8(t.title);
    ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, 2)", title,
                             QStringLiteral("/v/") + title, today));
    PageFacts f;
    f.project_key = f.project_no = QStringLiteral("K-") + title;
    f.project_name = title;
    f.buyer = title.left(6);
    f.deadline = now.addDays(t.days_left).toString(QStringLiteral("yyyy-MM-dd 09:30"));
    f.budget = t.budget;
    ASSERT_TRUE(WritePageFacts(db(), title, f, today, now));
    if (t.kept) {
      ASSERT_TRUE(db().Execute("INSERT INTO Favorites(MC, DZ, SJ) VALUES(?, '', ?)", title, today));
    }
  }
  ASSERT_TRUE(db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES('自贡市某采购公告', '/v/x', ?, 2)",
                           today));
  AppContext context;
  context.db = &db();
  LoadSystemSettings(db(), &context.settings);
  // The reminders' clock stands a day and a half later than the machine's.
  const QDateTime later = now.addSecs(36 * 3600);
  auto services = std::make_unique<Services>(db(), context.settings, ScheduleOptions{},
                                             WatchOptions{}, UpdateCheckOptions{},
                                             FactsReaderOptions{}, [later] { return later; });
  auto window = std::make_unique<FrmWeath>(context, *services);
  window->Load();
  window->show();

  window->desk().MenuJZ->trigger();
  FrmJZ* desk = window->desk().desk();
  ASSERT_TRUE(desk);
  EXPECT_FALSE(desk->isModal());
  using C = DeskListModel::Column;
  EXPECT_EQ(desk->ListView1->model()->rowCount(), 2);
  // Under 24 hours left by the injected clock: the 1-day reminder, given once.
  services->reminders().CheckNow();
  services->reminders().CheckNow();
  ASSERT_EQ(window->desk().given.size(), 1);
  EXPECT_TRUE(window->desk().given[0].startsWith(QStringLiteral("截止提醒（还剩1天）：成都市教育局")));
  EXPECT_TRUE(desk->ListView1->model()->index(0, C::kTitle).data(Qt::BackgroundRole).isValid());

  SearchUi& search = window->search();
  search.RunSearch();
  EXPECT_EQ(search.ListView2()->resultModel()->rowCount(), 5);
  search.factsBar()->TextYSFrom->setText(QStringLiteral("50"));
  emit search.factsBar()->TextYSFrom->editingFinished();
  EXPECT_EQ(search.ListView2()->resultModel()->rowCount(), 4);  // three over 50 and the unknown
  search.factsBar()->CheckOpen->setChecked(true);
  EXPECT_EQ(search.ListView2()->resultModel()->rowCount(), 2);
  search.factsBar()->CheckOpen->setChecked(false);
  search.factsBar()->CheckUnknown->setChecked(false);
  EXPECT_EQ(search.ListView2()->resultModel()->rowCount(), 3);
  search.factsBar()->CheckOpen->setChecked(true);

  if (qEnvironmentVariableIsSet("TALVEC_SCREENSHOTS")) {
    const QString dir = qEnvironmentVariable("TALVEC_SCREENSHOTS");
    QDir().mkpath(dir);
    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QString suffix = QStringLiteral("_%1x%2.png").arg(screen.width()).arg(screen.height());
    window->setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    desk->raise();
    QApplication::processEvents();
    window->grab().save(dir + QStringLiteral("/main_filters") + suffix);
    desk->grab().save(dir + QStringLiteral("/desk") + suffix);
  }
  desk->close();
  window.reset();
  services.reset();
}

}  // namespace
}  // namespace talvec
