#include <gtest/gtest.h>
#include <QAction>
#include <QButtonGroup>
#include <QDate>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include "core/settings.h"
#include "core/ui_state.h"
#include "favorites/favorites.h"
#include "services/services.h"
#include "tests/message_log.h"
#include "tests/test_support.h"
#include "ui/filter_panels.h"
#include "ui/frmscj.h"
#include "ui/frmweath.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/search_ui.h"

namespace talvec {
namespace {

class SearchUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = log_dir_.filePath("messages.log");
    sink_ = std::make_unique<test_support::MessageLog>(log_);
    SetMessageSink(sink_.get());
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    Add("成都市教育局电脑采购公告", "/v/1.html", today, 2);
    Add("绵阳市公安局监控采购公告", "/v/2.html", today, 2);
    Add("成都市人民医院空调结果公告", "http://other/3.html", today, 4);
    Add("德阳市建设局道路工程公告", "/v/4.html", today, 7);
    Add("上周的公告", "/v/5.html", QDate::currentDate().addDays(-3).toString("yyyy-MM-dd"), 2);
    context_.db = &temp_.db();
    LoadSystemSettings(temp_.db(), &context_.settings);
    context_.settings.researchlx = "f,t,T,t,t,t,t,t,t,t";
    context_.os_name = "WindosXP";
    services_ = std::make_unique<Services>(temp_.db(), context_.settings);
    window_ = std::make_unique<FrmWeath>(context_, *services_);
    window_->Load();
    ui_ = &window_->search();
  }
  void TearDown() override {
    window_.reset();
    services_.reset();
    SetMessageSink(nullptr);
  }

  void Add(const char* title, const char* address, const QString& date, int type) {
    ASSERT_TRUE(temp_.db().Execute("INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, ?, ?)", title,
                                   address, date, type));
  }
  ResultListView* list() { return ui_->ListView2(); }
  ResultListModel* model() { return list()->resultModel(); }
  QStringList Shown(int column = kColTitle) {
    QStringList cells;
    for (int r = 0; r < model()->rowCount(); ++r) {
      cells << model()->data(model()->index(r, column), Qt::DisplayRole).toString();
    }
    return cells;
  }
  void ClickRow(int row) { list()->setCurrentIndex(model()->index(row, kColTitle)); }
  // The count at the right of the main window's status bar.
  QString Count() {
    auto* label = window_->statusBar()->findChild<QLabel*>("LabelCount");
    return label ? label->text() : QString();
  }
  // A new main window on the same file, as at the next start.
  void Restart() {
    window_.reset();
    window_ = std::make_unique<FrmWeath>(context_, *services_);
    window_->Load();
    ui_ = &window_->search();
  }
  QString Messages() {
    QFile f(log_);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
  }

  test_support::TempDatabase temp_;
  QTemporaryDir log_dir_;
  QString log_;
  std::unique_ptr<test_support::MessageLog> sink_;
  AppContext context_;
  std::unique_ptr<Services> services_;
  std::unique_ptr<FrmWeath> window_;
  SearchUi* ui_ = nullptr;
};

TEST_F(SearchUiTest, LoadStateAndTheSearchKey) {
  SearchPanel* p = ui_->panel();
  EXPECT_TRUE(p->Option12->isChecked());
  EXPECT_TRUE(p->type_options[0]->isChecked());
  EXPECT_FALSE(p->type_options[1]->isEnabled());  // "f"
  EXPECT_TRUE(p->type_options[3]->isEnabled());   // "T"
  EXPECT_EQ(p->DTPicker2->date(), QDate::currentDate());
  EXPECT_EQ(p->DTPicker1->date(), QDate::currentDate().addDays(-7));
  EXPECT_FALSE(p->DTPicker1->isEnabled());
  EXPECT_FALSE(ui_->filters()->Frame4->isEnabled());
  EXPECT_FALSE(ui_->MenuAdd->isEnabled());
  EXPECT_EQ(model()->rowCount(), 0);
  // Start-up runs no search; the hidden search command carries F8.
  EXPECT_EQ(ui_->MenuSearch->shortcut(), QKeySequence(Qt::Key_F8));
  EXPECT_TRUE(window_->actions().contains(ui_->MenuSearch));
  EXPECT_EQ(ui_->MenuSCJ->shortcut(), QKeySequence(Qt::Key_F2));

  window_->show();
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  QTest::keyClick(window_.get(), Qt::Key_F8);
  EXPECT_EQ(model()->rowCount(), 4);
  EXPECT_EQ(Shown(kColNumber), QStringList({"1", "2", "3", "4"}));
  EXPECT_TRUE(ui_->filters()->Frame4->isEnabled());
  EXPECT_TRUE(ui_->filters()->Command2->isEnabled());
  EXPECT_TRUE(p->CMDCX->isVisible());
  EXPECT_FALSE(p->PicZT->isVisible());

  // Period and one type.
  p->Option13->click();
  EXPECT_TRUE(p->DTPicker1->isEnabled());
  p->type_options[2]->click();  // "市县公告", code 2
  EXPECT_EQ(p->SearchTypeCode, 2);
  p->CMDCX->click();
  EXPECT_EQ(model()->rowCount(), 3);

  // Nothing found: empty list, filters off, no message.
  p->DTPicker1->setDate(QDate::currentDate().addDays(1));
  p->CMDCX->click();
  EXPECT_EQ(model()->rowCount(), 0);
  EXPECT_FALSE(ui_->filters()->Frame3->isEnabled());
  EXPECT_TRUE(Messages().isEmpty());
}

TEST_F(SearchUiTest, FiltersStartFromTheFullResultAndResetEachOther) {
  ui_->RunSearch();
  FilterPanels* f = ui_->filters();
  f->Text4->setText("采购 公告");
  f->Command2->click();
  EXPECT_EQ(Shown(), QStringList({"绵阳市公安局监控采购公告", "成都市教育局电脑采购公告"}));

  // A region after free text: from the full set again, box emptied.
  f->DQ->button(1)->click();
  EXPECT_EQ(Shown(), QStringList({"成都市人民医院空调结果公告", "成都市教育局电脑采购公告"}));
  EXPECT_EQ(Shown(kColNumber), QStringList({"1", "2"}));
  EXPECT_TRUE(f->Text4->text().isEmpty());
  EXPECT_TRUE(ui_->ChoiceWords.isEmpty());

  // A category after a region: the region group back on "全部地区".
  f->CP->button(8)->click();  // 电脑 ... 空调 ...
  EXPECT_EQ(f->DQ->checkedId(), 0);
  EXPECT_EQ(f->CP->checkedId(), 8);
  EXPECT_EQ(model()->rowCount(), 2);

  // A public body clears the category.
  f->ZFBM->button(11)->click();  // 建设局
  EXPECT_EQ(f->CP->checkedId(), -1);
  EXPECT_EQ(Shown(), QStringList({"德阳市建设局道路工程公告"}));

  // Empty free text empties the list; "全部" brings every row back.
  f->Text4->setText("  ");
  f->Command2->click();
  EXPECT_EQ(model()->rowCount(), 0);
  f->Text4->setText("全部");
  QTest::keyClick(f->Text4, Qt::Key_Return);
  EXPECT_EQ(model()->rowCount(), 4);
  // The public body still shows as chosen after a free-text pass.
  EXPECT_EQ(f->ZFBM->checkedId(), 11);
}

TEST_F(SearchUiTest, HeaderClicksFlipOneDirectionAndTheClickedRowIsKept) {
  ui_->RunSearch();
  // Click row number 2, then sort by title.
  ClickRow(1);
  ASSERT_EQ(list()->SelectedRowNumber(), 2);
  EXPECT_TRUE(ui_->MenuAdd->isEnabled());
  const QString clicked = Shown()[1];
  const QString clicked_address = Shown(kColAddress)[1];
  list()->SortByHeader(kColTitle);
  EXPECT_EQ(list()->sortDirection(), Qt::AscendingOrder);
  QStringList ascending = Shown();
  QStringList sorted = ascending;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(ascending, sorted);
  list()->SortByHeader(kColTitle);
  EXPECT_EQ(list()->sortDirection(), Qt::DescendingOrder);
  std::reverse(sorted.begin(), sorted.end());
  EXPECT_EQ(Shown(), sorted);
  // Another column continues the flip.
  list()->SortByHeader(kColNumber);
  EXPECT_EQ(list()->sortDirection(), Qt::AscendingOrder);
  EXPECT_EQ(Shown(kColNumber), QStringList({"1", "2", "3", "4"}));
  list()->SortByHeader(kColTitle);

  EXPECT_EQ(list()->SelectedRowNumber(), 2);
  ui_->MenuAdd->trigger();
  std::vector<FavoriteEntry> kept;
  LoadFavorites(temp_.db(), &kept);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].title, clicked);
  EXPECT_EQ(kept[0].address, clicked_address);
  ui_->MenuAdd->trigger();
  EXPECT_TRUE(Messages().contains("数据安全|该投标项目已经存在!"));

  // The sort stays for the next search; a new fill forgets the click.
  ui_->RunSearch();
  EXPECT_EQ(Shown(), sorted);
  EXPECT_EQ(list()->SelectedRowNumber(), 0);
  EXPECT_FALSE(ui_->MenuAdd->isEnabled());
  ui_->AddFavorite();
  LoadFavorites(temp_.db(), &kept);
  EXPECT_EQ(kept.size(), 1u);
}

TEST_F(SearchUiTest, CountsAndConfirmationsInTheStatusBarAndANewSearchShowsNeutralFilters) {
  FilterPanels* f = ui_->filters();
  EXPECT_EQ(Count(), "");
  ui_->RunSearch();
  EXPECT_EQ(Count(), "共 4 条");
  f->DQ->button(1)->click();  // 成都市
  EXPECT_EQ(Count(), "共 2 条");
  f->CP->button(8)->click();
  f->Text4->setText("没有这个词");
  f->Command2->click();
  EXPECT_EQ(Count(), "共 0 条");
  f->ZFBM->button(11)->click();
  EXPECT_EQ(Count(), "共 1 条");

  // A new search shows the whole result, and the panels say so.
  f->Text4->setText("采购");
  ui_->RunSearch();
  EXPECT_EQ(model()->rowCount(), 4);
  EXPECT_EQ(Count(), "共 4 条");
  EXPECT_EQ(f->DQ->checkedId(), 0);
  EXPECT_EQ(f->CP->checkedId(), -1);
  EXPECT_EQ(f->ZFBM->checkedId(), -1);
  EXPECT_TRUE(f->Text4->text().isEmpty());
  // The region chosen before a search still orders that search (Win7).
  f->DQ->button(2)->click();
  context_.os_name = "Win7";
  ui_->panel()->type_options[2]->click();
  ui_->RunSearch();
  EXPECT_EQ(Shown(), QStringList({"成都市教育局电脑采购公告", "绵阳市公安局监控采购公告"}));
  EXPECT_EQ(f->DQ->checkedId(), 0);

  // Adding a favorite says so briefly; a refusal still says it in a box.
  window_->show();
  ClickRow(0);
  ASSERT_TRUE(ui_->MenuAdd->isEnabled());
  ui_->MenuAdd->trigger();
  EXPECT_TRUE(window_->statusBar()->currentMessage().startsWith("已添加到收藏夹"))
      << window_->statusBar()->currentMessage().toStdString();
  EXPECT_TRUE(Messages().isEmpty());
  window_->statusBar()->clearMessage();
  ui_->MenuAdd->trigger();
  EXPECT_TRUE(window_->statusBar()->currentMessage().isEmpty());
  EXPECT_TRUE(Messages().contains("数据安全|该投标项目已经存在!"));
}

TEST_F(SearchUiTest, TheChosenSortHoldsForLaterSearchesAndTheNextStart) {
  // Until a header is clicked the order is the search's, also after a
  // restart.
  Restart();
  ui_->RunSearch();
  const QStringList returned = Shown();
  EXPECT_EQ(Shown(kColNumber), QStringList({"1", "2", "3", "4"}));

  list()->SortByHeader(kColTitle);  // ascending
  list()->SortByHeader(kColTitle);  // descending
  QStringList descending = returned;
  std::sort(descending.begin(), descending.end(), std::greater<>());
  ASSERT_EQ(Shown(), descending);

  Restart();
  EXPECT_EQ(list()->sortDirection(), Qt::DescendingOrder);
  ui_->RunSearch();
  EXPECT_EQ(Shown(), descending);
  // The next click flips the kept direction, and that is kept too.
  list()->SortByHeader(kColDate);
  EXPECT_EQ(list()->sortDirection(), Qt::AscendingOrder);
  Restart();
  EXPECT_EQ(list()->sortColumn(), kColDate);
  EXPECT_EQ(list()->sortDirection(), Qt::AscendingOrder);

  // A value the program did not write is not applied.
  ASSERT_TRUE(UiState(temp_.db()).SetText("ListView2.SortOrder", "5"));
  Restart();
  EXPECT_EQ(list()->sortColumn(), -1);
  ui_->RunSearch();
  EXPECT_EQ(Shown(), returned);
}

TEST_F(SearchUiTest, FavoritesWindowListsNewestFirstAndDeletes) {
  ASSERT_EQ(AddFavorite(temp_.db(), {"旧的", "/a", "2026-01-01"}), AddFavoriteResult::kAdded);
  ASSERT_EQ(AddFavorite(temp_.db(), {"新的", "/b", "2026-02-01"}), AddFavoriteResult::kAdded);
  window_->show();
  ui_->MenuSCJ->trigger();
  auto* scj = window_->findChild<FrmSCJ*>("FrmSCJ");
  ASSERT_NE(scj, nullptr);
  EXPECT_EQ(scj->windowTitle(), "收藏夹管理");
  EXPECT_TRUE(scj->isModal());
  QAbstractItemModel* m = scj->ListView1->model();
  ASSERT_EQ(m->rowCount(), 2);
  EXPECT_EQ(m->index(0, 1).data().toString(), "新的");
  EXPECT_EQ(m->index(0, 0).data().toString(), "1");
  EXPECT_FALSE(scj->MenuDelete->isEnabled());

  QTest::mouseClick(scj->ListView1->viewport(), Qt::LeftButton, {},
                    scj->ListView1->visualRect(m->index(1, 1)).center());
  EXPECT_TRUE(scj->MenuDelete->isEnabled());
  scj->MenuDelete->trigger();
  EXPECT_TRUE(Messages().contains("数据安全|是否删除此项目?"));
  ASSERT_EQ(m->rowCount(), 1);
  EXPECT_EQ(m->index(0, 1).data().toString(), "新的");

  QPointer<FrmSCJ> guard(scj);
  QTest::keyClick(scj, Qt::Key_Escape);
  QTest::qWait(0);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());
}

}  // namespace
}  // namespace talvec
