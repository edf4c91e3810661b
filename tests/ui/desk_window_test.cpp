// "即将截止" as the user sees it: the kept open tenders by deadline, the
// store's with "全部公告", time left and colours by the injected clock,
// numeric sorting of the budget, highlighted rows and what an export takes.
#include <gtest/gtest.h>

#include <QBrush>
#include <QCheckBox>
#include <QHeaderView>

#include "core/database.h"
#include "facts/facts_store.h"
#include "tests/test_support.h"
#include "ui/frmjz.h"
#include "ui/result_list.h"

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
}

}  // namespace
}  // namespace talvec
