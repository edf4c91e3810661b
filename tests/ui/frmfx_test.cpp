// The competitor window offscreen, opened from the main window: loading,
// the search and its refusal, the row a click names across sorts and
// searches, the two look-ups, layout, export and Esc.
#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QGraphicsLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTreeView>

#include "competitors/award_list_model.h"
#include "competitors/summary_model.h"
#include "core/settings.h"
#include "services/services.h"
#include "tests/message_log.h"
#include "tests/test_support.h"
#include "ui/competitor_summary_page.h"
#include "ui/frmfx.h"
#include "ui/frmweath.h"
#include "ui/twips.h"

namespace talvec {
namespace {

class FrmfXTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = dir_.filePath("messages.log");
    sink_ = std::make_unique<test_support::MessageLog>(log_);
    SetMessageSink(sink_.get());
    context_.db = &temp_.db();
    LoadSystemSettings(temp_.db(), &context_.settings);
    context_.settings.SiteBaseAddress = QStringLiteral("http://site.test");
    context_.settings.research = 2;
    context_.settings.AutoAnalysis = 1;
    services_ = std::make_unique<Services>(temp_.db(), context_.settings);
    main_ = std::make_unique<FrmWeath>(context_, *services_);
    main_->Load();
    main_->SetSearchEngineBase(QStringLiteral("http://engine.test"));
  }
  void TearDown() override {
    main_.reset();
    services_.reset();
    SetMessageSink(nullptr);
  }

  void Award(const QString& company, const QString& title, const QString& address = {}) {
    ASSERT_TRUE(
        temp_.db().Execute("INSERT INTO GYS(MC, GYS, JE) VALUES(?, ?, '')", title, company));
    if (!address.isEmpty()) {
      ASSERT_TRUE(temp_.db().Execute(
          "INSERT INTO List(MC, DZ, SJ, LX) VALUES(?, ?, '2026-12-01', 4)", title, address));
    }
  }

  // Opened through F5's command and loaded by its timer.
  FrmfX* OpenLoaded() {
    main_->MenuFX->trigger();
    FrmfX* fx = main_->findChild<FrmfX*>("FrmfX");
    if (!fx) return nullptr;
    EXPECT_TRUE(QTest::qWaitFor([fx] { return !fx->Timer1->isActive(); }, 5000));
    return fx;
  }

  QString Messages() {
    QFile file(log_);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
  }

  QStringList Companies(FrmfX* fx) {
    QStringList names;
    for (int r = 0; r < fx->ListView1->model()->rowCount(); ++r) {
      names << fx->ListView1->model()->index(r, 1).data().toString();
    }
    return names;
  }

  void ClickRow(FrmfX* fx, int row) {
    // Not taken for the second half of a double click.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    const QModelIndex index = fx->ListView1->model()->index(row, 1);
    fx->ListView1->scrollTo(index);
    QTest::mouseClick(fx->ListView1->viewport(), Qt::LeftButton, {},
                      fx->ListView1->visualRect(index).center());
  }

  QTemporaryDir dir_;
  QString log_;
  std::unique_ptr<test_support::MessageLog> sink_;
  test_support::TempDatabase temp_;
  AppContext context_;
  std::unique_ptr<Services> services_;
  std::unique_ptr<FrmWeath> main_;
};

TEST_F(FrmfXTest, F5OpensOneWindowAroundWhichCollectionAndAnalysisPause) {
  ASSERT_NE(main_->MenuFX, nullptr);
  EXPECT_EQ(main_->MenuFX->text(), QStringLiteral("竞争对手分析(&F)"));
  EXPECT_EQ(main_->MenuFX->shortcut(), QKeySequence(Qt::Key_F5));
  EXPECT_TRUE(main_->MenuData->actions().contains(main_->MenuFX));
  QTimer& update = services_->schedule.timerUpdate();
  QTimer* autot = services_->analysis.timerAuto();
  EXPECT_FALSE(update.isActive());  // manual collection

  // A stop the cycle set for itself survives the opening; none is added.
  for (bool stop : {true, false}) {
    services_->schedule.SetStopCollection(stop);
    FrmfX* fx = main_->OpenCompetitorAnalysis();
    ASSERT_NE(fx, nullptr);
    EXPECT_TRUE(fx->isVisible());
    EXPECT_EQ(services_->schedule.state().StopCollection, stop);
  }
  EXPECT_EQ(main_->findChildren<FrmfX*>().size(), 1);
  // Both timers run again afterwards, as after every opening.
  EXPECT_TRUE(update.isActive());
  EXPECT_TRUE(autot->isActive());
  FrmfX* fx = main_->findChild<FrmfX*>("FrmfX");
  EXPECT_EQ(fx->windowTitle(), QStringLiteral("竞争对手分析"));
  EXPECT_TRUE(fx->Timer1->isActive());
  EXPECT_EQ(fx->Timer1->interval(), 1000);
  ASSERT_TRUE(QTest::qWaitFor([fx] { return !fx->Timer1->isActive(); }, 5000));
  // An empty table.
  EXPECT_EQ(fx->windowTitle(), QStringLiteral("竞争对手分析--共有记录0条"));
  EXPECT_TRUE(fx->PicZT->isHidden());

  // Esc closes and unloads the window.
  QPointer<FrmfX> guard(fx);
  QTest::keyClick(fx, Qt::Key_Escape);
  EXPECT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }, 2000));
}

TEST_F(FrmfXTest, SearchClickSortAndTheLookUps) {
  Award("乙科技有限公司", "成都市教育局电脑采购项目中标公告", "/view/1.html");
  Award("甲 A&B 公司", "成都市公安局打印机采购项目中标公告", "http://other.test/2.html");
  Award("丙公司", "绵阳市电脑采购项目中标公告");
  Award("丁公司", "成都市办公家具采购项目中标公告", "/view/4.html");
  FrmfX* fx = OpenLoaded();
  ASSERT_NE(fx, nullptr);
  EXPECT_EQ(fx->windowTitle(), QStringLiteral("竞争对手分析--共有记录4条"));
  EXPECT_EQ(fx->ListView2->rowCount(), 4);
  EXPECT_EQ(fx->SelectedAwardRow, 0);

  // Blanks only: refused, and the list stays as it was.
  fx->Text1->setText(QStringLiteral("   "));
  fx->Command1->click();
  EXPECT_TRUE(Messages().contains(QStringLiteral("|数据安全|请输入分析产品名称!|")));
  EXPECT_EQ(fx->ListView1->model()->rowCount(), 0);

  fx->Text1->setText(QStringLiteral("电脑 打印机"));
  fx->Text2->setText(QStringLiteral("成都"));
  QTest::keyClick(fx->Text1, Qt::Key_Return);  // the default button
  ASSERT_EQ(fx->ListView1->model()->rowCount(), 2);
  // In the order GYS is read (by the stored name).
  EXPECT_EQ(Companies(fx), QStringList({"乙科技有限公司", "甲 A&B 公司"}));
  EXPECT_EQ(fx->summaryPage()->model()->rowCount(), 2);

  QSignalSpy pages(fx, &FrmfX::pageRequested);
  ClickRow(fx, 1);
  EXPECT_EQ(fx->SelectedAwardRow, 2);
  // The first header click sorts descending (pinyin: yi, jia), the next
  // ascending; the clicked row keeps its number wherever it goes.
  fx->ListView1->header()->sectionClicked(1);
  EXPECT_EQ(Companies(fx), QStringList({"乙科技有限公司", "甲 A&B 公司"}));
  fx->ListView1->header()->sectionClicked(1);
  EXPECT_EQ(Companies(fx), QStringList({"甲 A&B 公司", "乙科技有限公司"}));
  EXPECT_EQ(fx->SelectedAwardRow, 2);
  // A double click where the selected row stood before names the row now
  // clicked.
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  const QModelIndex second = fx->ListView1->model()->index(1, 1);
  QTest::mouseDClick(fx->ListView1->viewport(), Qt::LeftButton, {},
                     fx->ListView1->visualRect(second).center());
  EXPECT_EQ(fx->SelectedAwardRow, 1);
  ASSERT_EQ(pages.size(), 1);
  EXPECT_EQ(pages[0][0].toString(),
            QStringLiteral("http://engine.test/"
                           "s?WD=%E4%B9%99%E7%A7%91%E6%8A%80%E6%9C%89%E9%99%90%E5%85%AC%E5%8F%B8"));
  EXPECT_EQ(pages[0][1].toString(), QStringLiteral("查询公司信息:乙科技有限公司"));

  // Details by title; the stored address is used as the address rule says.
  fx->MenuZB->trigger();
  ASSERT_EQ(pages.size(), 2);
  EXPECT_EQ(pages[1][0].toString(), QStringLiteral("http://site.test/view/1.html"));
  EXPECT_EQ(pages[1][1].toString(), QStringLiteral("中标结果信息:乙科技有限公司"));
  ClickRow(fx, 0);
  EXPECT_EQ(fx->SelectedAwardRow, 2);
  fx->MenuZB->trigger();
  ASSERT_EQ(pages.size(), 3);
  EXPECT_EQ(pages[2][0].toString(), QStringLiteral("http://other.test/2.html"));
  fx->MenuXX->trigger();
  ASSERT_EQ(pages.size(), 4);
  EXPECT_EQ(pages[3][0].toString(),
            QStringLiteral("http://engine.test/s?WD=%E7%94%B2%20A%26B%20%E5%85%AC%E5%8F%B8"));

  // The number survives a new search and then names that search's row.
  fx->Text1->setText(QStringLiteral("电脑"));
  fx->Text2->clear();
  fx->Command1->click();
  EXPECT_EQ(Companies(fx), QStringList({"丙公司", "乙科技有限公司"}));
  EXPECT_EQ(fx->SelectedAwardRow, 2);
  fx->MenuXX->trigger();
  ASSERT_EQ(pages.size(), 5);
  EXPECT_EQ(pages[4][1].toString(), QStringLiteral("查询公司信息:乙科技有限公司"));
  ClickRow(fx, 0);
  EXPECT_EQ(fx->SelectedAwardRow, 1);
  fx->MenuZB->trigger();  // 丙公司's project has no announcement
  EXPECT_EQ(pages.size(), 5);

  // A search that finds nothing: a click there clears the number.
  fx->Text1->setText(QStringLiteral("救护车"));
  fx->Command1->click();
  EXPECT_EQ(fx->ListView1->model()->rowCount(), 0);
  QTest::mouseClick(fx->ListView1->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
  EXPECT_EQ(fx->SelectedAwardRow, 0);
  fx->MenuXX->trigger();
  EXPECT_EQ(pages.size(), 5);
}

TEST_F(FrmfXTest, LayoutAndExport) {
  Award("乙公司", "成都市教育局电脑采购项目中标公告", "/view/1.html");
  Award("甲公司", "成都市公安局电脑采购项目中标公告");
  FrmfX* fx = OpenLoaded();
  ASSERT_NE(fx, nullptr);
  const double dpi = fx->logicalDpiX();
  auto px = [dpi](int twips) { return TwipsToPixels(twips, dpi); };
  EXPECT_EQ(fx->ListView1->columnWidth(0), px(1000));
  EXPECT_EQ(fx->ListView1->columnWidth(1), px(5000));
  for (int width : {700, 1400}) {
    fx->resize(width, 600);
    EXPECT_EQ(fx->TabFX->width(), width - 2 * fx->TabFX->x());
    EXPECT_EQ(fx->TabFX->y() + fx->TabFX->height(), 600 - px(500));
    const int inner = fx->ListView1->viewport()->width();
    EXPECT_EQ(fx->ListView1->columnWidth(2), std::max(px(8000), inner - px(6000))) << width;
  }

  fx->Text1->setText(QStringLiteral("电脑"));
  fx->Command1->click();
  fx->ListView1->header()->sectionClicked(1);  // descending: 乙 before 甲
  const QString list_path = dir_.filePath("list.csv");
  ASSERT_TRUE(fx->ExportTo(list_path));
  QFile list(list_path);
  ASSERT_TRUE(list.open(QIODevice::ReadOnly));
  const QByteArray bytes = list.readAll();
  EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
  EXPECT_EQ(QString::fromUtf8(bytes.mid(3)).toStdString(),
            QStringLiteral("ID,公司名称,中标项目\r\n"
                           "1,乙公司,成都市教育局电脑采购项目中标公告\r\n"
                           "2,甲公司,成都市公安局电脑采购项目中标公告\r\n")
                .toStdString());
  fx->TabFX->setCurrentWidget(fx->summaryPage());
  const QString summary_path = dir_.filePath("summary.csv");
  ASSERT_TRUE(fx->ExportTo(summary_path));
  QFile summary(summary_path);
  ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
  EXPECT_TRUE(summary.readAll().startsWith(QByteArray("\xEF\xBB\xBF") +
                                           QStringLiteral("公司名称,中标次数").toUtf8()));
  // A folder that does not exist: said so, nothing written.
  EXPECT_FALSE(fx->ExportTo(dir_.filePath("missing/summary.csv")));
  EXPECT_TRUE(Messages().contains(QStringLiteral("|系统提示|文件保存失败。|")));
}

TEST_F(FrmfXTest, TheStatusBarCountsTheRowsFoundAndConfirmsAnExport) {
  Award("乙公司", "成都市教育局电脑采购项目中标公告");
  Award("甲公司", "成都市公安局电脑采购项目中标公告");
  Award("丙公司", "绵阳市空调采购项目中标公告");
  FrmfX* fx = OpenLoaded();
  ASSERT_NE(fx, nullptr);
  auto count = [fx] {
    auto* label = fx->statusBar()->findChild<QLabel*>("LabelCount");
    return label ? label->text() : QString();
  };
  fx->Text1->setText(QStringLiteral("电脑 空调"));
  fx->Command1->click();
  EXPECT_EQ(count(), QStringLiteral("共 3 条"));
  fx->Text2->setText(QStringLiteral("成都"));
  fx->Command1->click();
  EXPECT_EQ(count(), QStringLiteral("共 2 条"));
  fx->Text1->setText(QStringLiteral("救护车"));
  fx->Command1->click();
  EXPECT_EQ(count(), QStringLiteral("共 0 条"));

  const QString path = dir_.filePath("list.csv");
  ASSERT_TRUE(fx->ExportTo(path));
  EXPECT_TRUE(fx->statusBar()->currentMessage().startsWith(QStringLiteral("已导出到")))
      << fx->statusBar()->currentMessage().toStdString();
  fx->statusBar()->clearMessage();
  EXPECT_FALSE(fx->ExportTo(dir_.filePath("missing/list.csv")));
  EXPECT_TRUE(fx->statusBar()->currentMessage().isEmpty());
  // The bar sits below the list, in the window's bottom margin.
  EXPECT_GE(fx->statusBar()->y(), fx->TabFX->y() + fx->TabFX->height());
  EXPECT_EQ(fx->statusBar()->y() + fx->statusBar()->height(), fx->height());
}

TEST_F(FrmfXTest, ChartNamesFitTheChartOrAreCutWithTheWholeNameAsToolTip) {
  const QString long_name =
      QStringLiteral("四川省成都市高新技术产业开发区某某某某智能科技股份有限公司");
  Award(long_name, "成都市教育局电脑采购项目中标公告");
  Award(long_name, "成都市公安局电脑采购项目中标公告");
  Award("乙公司", "成都市卫生局电脑采购项目中标公告");
  FrmfX* fx = OpenLoaded();
  ASSERT_NE(fx, nullptr);
  fx->show();
  fx->Text1->setText(QStringLiteral("电脑"));
  fx->Command1->click();
  CompetitorSummaryPage* page = fx->summaryPage();
  fx->TabFX->setCurrentWidget(page);
  QChartView* top = page->ChartTop;
  for (const int window_width : {1600, 640}) {
    fx->resize(window_width, 700);
    QCoreApplication::processEvents();
    const int width = top->width();
    auto* axis = qobject_cast<QBarCategoryAxis*>(top->chart()->axes(Qt::Vertical).value(0));
    ASSERT_NE(axis, nullptr);
    const QStringList labels = axis->categories();
    ASSERT_EQ(labels.size(), 2);
    // Bottom to top: the company with most wins at the top.
    EXPECT_TRUE(labels[1].startsWith(QStringLiteral("1. "))) << labels[1].toStdString();
    EXPECT_EQ(labels[0], QStringLiteral("2. 乙公司"));
    const QFontMetrics metrics(axis->labelsFont());
    for (const QString& label : labels) {
      EXPECT_LE(metrics.horizontalAdvance(label), width * 2 / 5) << label.toStdString();
    }
    const bool cut = labels[1] != QStringLiteral("1. ") + long_name;
    EXPECT_EQ(cut, labels[1].endsWith(QChar(0x2026))) << labels[1].toStdString();
    if (window_width < 1000) {
      EXPECT_TRUE(cut) << width;
    }

    // The whole name over the top band, label and bar alike.
    top->chart()->layout()->activate();
    const QRectF plot = top->chart()->plotArea();
    const QPoint over_label =
        top->mapFromScene(top->chart()->mapToScene(QPointF(plot.left() / 2, plot.top() + 4)));
    const QPoint over_bar =
        top->mapFromScene(top->chart()->mapToScene(QPointF(plot.left() + 4, plot.top() + 4)));
    for (const QPoint& at : {over_label, over_bar}) {
      QHelpEvent help(QEvent::ToolTip, at, top->viewport()->mapToGlobal(at));
      QCoreApplication::sendEvent(top->viewport(), &help);
      EXPECT_TRUE(QToolTip::text().contains(long_name)) << QToolTip::text().toStdString();
      QToolTip::hideText();
    }
    // The month chart's title: whole, or cut with the whole as tool tip.
    QChart* month = page->ChartMonth->chart();
    const QFontMetrics title(month->titleFont());
    EXPECT_LE(title.horizontalAdvance(month->title()), page->ChartMonth->width());
    const QString month_tip =
        page->ChartToolTip(page->ChartMonth, QPoint(page->ChartMonth->width() / 2, 4));
    if (month->title().endsWith(QChar(0x2026))) {
      EXPECT_TRUE(month_tip.contains(long_name)) << month_tip.toStdString();
    } else if (window_width < 1000) {
      ADD_FAILURE() << "not cut at " << page->ChartMonth->width() << " pixels";
    } else {
      EXPECT_TRUE(month->title().contains(long_name)) << month->title().toStdString();
      EXPECT_TRUE(month_tip.isEmpty());
    }
  }
}

}  // namespace
}  // namespace talvec
