// The watch-list window offscreen: its load, saving, marking, deleting,
// sorting and closing, and the pop-up that refills an open window.
#include "ui/frmgz.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include "core/app_context.h"
#include "core/settings.h"
#include "dialogs/messages.h"
#include "tests/test_support.h"
#include "ui/viewer.h"
#include "ui/watch_list_model.h"
#include "ui/watch_notifier.h"
#include "ui/watch_rules_page.h"

namespace talvec {
namespace {

const QDate kToday(2026, 12, 9);
QString Day(int days_back) { return kToday.addDays(-days_back).toString("yyyy-MM-dd"); }

// Records every box as "caption|text" and answers Yes/No boxes as told.
struct Boxes : MessageSink {
  Boxes() { SetMessageSink(this); }
  ~Boxes() override { SetMessageSink(nullptr); }
  QMessageBox::StandardButton Show(QWidget*, QMessageBox::Icon, const QString& caption,
                                   const QString& text, const QString&,
                                   QMessageBox::StandardButtons buttons) override {
    shown.append(caption + u'|' + text);
    if (buttons & QMessageBox::Yes) return yes ? QMessageBox::Yes : QMessageBox::No;
    return QMessageBox::Ok;
  }
  QStringList shown;
  bool yes = true;
};

struct Window {
  Window() {
    settings.SiteBaseAddress = QStringLiteral("http://site.test");
    Entry("旧的已阅", Day(3), "2");
    Entry("新的已阅", Day(0), "2");
    Entry("旧的未阅", Day(20), "1");  // beyond the 15 keep days
    Entry("成都电脑", Day(2), "1", "/a.html");
    Entry("成都电脑", Day(15), "1", "/b.html");  // the cut-off day stays
    Entry("绵阳空调", Day(1), "1", "http://other.test/t.html");
    EXPECT_TRUE(
        temp.db().Execute("UPDATE SysSet SET AttentionProduct = ' 电脑 ', AttentionPlace = '成都', "
                          "AttentionTime = 7, "
                          "AttentionSave = 15, AttentionNotice = '1'"));
  }
  void Entry(const QString& title, const QString& date, const char* state,
             const QString& address = "/x.html") {
    EXPECT_TRUE(temp.db().Execute("INSERT INTO Attention(MC, DZ, SJ, ZT) VALUES(?, ?, ?, ?)", title,
                                  address, date, state));
  }
  FrmGZ* Open() {
    window = new FrmGZ(
        temp.db(), settings,
        [this](const QString& address, const QString& caption) -> QWidget* {
          opened.append(address + u'|' + caption);
          viewer = new QWidget;
          viewer->setAttribute(Qt::WA_DeleteOnClose);
          viewer->show();
          return viewer;
        },
        [] { return kToday; });
    window->show();
    return window;
  }
  QStringList Column(int column) {
    QStringList texts;
    for (int r = 0; r < window->model()->rowCount(); ++r)
      texts.append(window->model()->TextAt(r, column));
    return texts;
  }
  QString Stored(const char* column) {
    Statement st = temp.db().Prepare("SELECT * FROM SysSet");
    EXPECT_TRUE(st.Next());
    for (int i = 0; i < st.ColumnCount(); ++i) {
      if (st.ColumnName(i) == QLatin1String(column)) return st.Text(i);
    }
    return {};
  }

  Boxes boxes;
  test_support::TempDatabase temp;
  SystemSettings settings;
  QPointer<FrmGZ> window;
  QPointer<QWidget> viewer;
  QStringList opened;
};

TEST(FrmGZ, OpeningFillsThePanelPurgesAndListsUnreadFirst) {
  Window w;
  FrmGZ* f = w.Open();
  EXPECT_EQ(f->windowTitle(), "我的观注");
  EXPECT_EQ(f->Text1->text(), "电脑");
  EXPECT_EQ(f->Text2->text(), "成都");
  EXPECT_EQ(f->Text3->text(), "7");
  EXPECT_EQ(f->Text4->text(), "15");
  EXPECT_TRUE(f->Check2->isChecked());
  EXPECT_FALSE(f->Check3->isChecked());   // no second flag: off
  EXPECT_TRUE(f->Command2->isEnabled());  // unread entries are listed
  EXPECT_FALSE(f->MenuDelete->isEnabled());
  EXPECT_FALSE(f->MenuDellall->isEnabled());
  EXPECT_EQ(w.Column(WatchListModel::kColTitle),
            QStringList({"绵阳空调", "成都电脑", "成都电脑", "新的已阅", "旧的已阅"}));
  EXPECT_EQ(w.Column(WatchListModel::kColNumber), QStringList({"1", "2", "3", "4", "5"}));
  EXPECT_EQ(w.Column(WatchListModel::kColState),
            QStringList({"未阅", "未阅", "未阅", "已阅", "已阅"}));
  EXPECT_EQ(f->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "中标项目");
  EXPECT_TRUE(f->ListView1->isColumnHidden(WatchListModel::kColAddress));

  // A click on the list offers the commands.
  QTest::mouseClick(f->ListView1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(f->Command2->isEnabled());
  EXPECT_TRUE(f->MenuDellall->isEnabled());

  // Header clicks flip the one direction, whichever column; numbers sort as text.
  for (int i = 0; i < 5; ++i) w.Entry(QStringLiteral("补充%1").arg(i), Day(0), "2");
  f->Refill();
  f->SortByHeader(WatchListModel::kColDate);
  EXPECT_EQ(f->sortDirection(), Qt::DescendingOrder);
  EXPECT_EQ(w.Column(WatchListModel::kColDate).first(), Day(0));
  f->SortByHeader(WatchListModel::kColNumber);
  EXPECT_EQ(w.Column(WatchListModel::kColNumber),
            QStringList({"1", "10", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST(FrmGZ, SavingIsRefusedOrStoresTheTextAndTheFlagsAtOnce) {
  Window w;
  FrmGZ* f = w.Open();
  f->Text1->setText(" ");
  f->Text2->clear();
  f->Command1->click();
  EXPECT_EQ(w.boxes.shown, QStringList({"数据安全|观注产品和观注地方不能同时为空!"}));
  EXPECT_EQ(w.Stored("AttentionProduct"), " 电脑 ");

  f->Text1->setText(" O'Neil 电脑 ");
  f->Text3->setText("31");
  f->Command1->click();
  EXPECT_EQ(w.boxes.shown.last(), "数据安全|观注时长应为1至30天!");
  EXPECT_EQ(w.Stored("AttentionProduct"), " 电脑 ");

  f->Text3->setText("");
  f->Text3->stepBy(1);  // the up-down starts at its minimum
  EXPECT_EQ(f->Text3->text(), "1");
  f->Text3->stepBy(40);
  EXPECT_EQ(f->Text3->text(), "30");
  f->Check2->setChecked(false);
  f->Check3->setChecked(true);
  f->Command1->click();
  EXPECT_EQ(w.boxes.shown.last(), "数据安全|设置观注成功!");
  EXPECT_EQ(w.Stored("AttentionProduct"), "O'Neil 电脑");
  EXPECT_EQ(w.Stored("AttentionPlace"), "");
  EXPECT_EQ(w.Stored("AttentionTime"), "30.0");
  EXPECT_EQ(w.Stored("AttentionNotice"), "0,1");
  EXPECT_FALSE(w.settings.PopupNotice);
  EXPECT_TRUE(w.settings.SoundNotice);
  EXPECT_TRUE(f->isVisible());

  ASSERT_TRUE(w.temp.db().Execute("DROP TABLE SysSet"));
  f->Check2->setChecked(true);
  f->Command1->click();
  EXPECT_EQ(w.boxes.shown.last(), "数据安全|设置观注失败!");
  EXPECT_TRUE(w.settings.PopupNotice);  // the choice holds in memory
}

TEST(FrmGZ, DoubleClickOpensTheEntryAndMarksItsTitleReadOnClose) {
  Window w;
  FrmGZ* f = w.Open();
  f->OpenRow(1);  // 成都电脑, relative address
  EXPECT_EQ(w.opened.last(), "http://site.test/a.html|成都电脑");
  EXPECT_EQ(w.Column(WatchListModel::kColState).mid(0, 3), QStringList({"未阅", "未阅", "未阅"}));
  w.viewer->close();  // destroyed: the viewing ends
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(w.Column(WatchListModel::kColTitle).mid(0, 3),
            QStringList({"绵阳空调", "新的已阅", "成都电脑"}));
  EXPECT_EQ(w.temp.db()
                .Scalar("SELECT count(*) FROM Attention WHERE MC = '成都电脑' AND ZT = '2'")
                .toInt(),
            2);

  f->OpenRow(0);  // absolute address unchanged
  EXPECT_EQ(w.opened.last(), "http://other.test/t.html|绵阳空调");
  f->OpenRow(99);
  EXPECT_EQ(w.opened.size(), 2);
  delete f;  // the window goes before the viewer: nothing is left to refill
  w.viewer->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(FrmGZ, DeletionsAreConfirmedAndGoByTitle) {
  Window w;
  FrmGZ* f = w.Open();
  f->ListView1->setCurrentIndex(f->model()->index(1, 0));  // 成都电脑
  w.boxes.yes = false;
  f->DeleteCurrent();
  EXPECT_EQ(f->model()->rowCount(), 5);
  w.boxes.yes = true;
  f->DeleteCurrent();
  EXPECT_EQ(w.boxes.shown.last(), "数据安全|是否删除此项目?");
  EXPECT_EQ(w.Column(WatchListModel::kColTitle), QStringList({"绵阳空调", "新的已阅", "旧的已阅"}));

  // No to deleting everything still shows what came meanwhile.
  w.Entry("后来的", Day(0), "1");
  w.boxes.yes = false;
  f->DeleteAll();
  EXPECT_EQ(w.boxes.shown.last(), "数据安全|是否删除全部观注?");
  EXPECT_EQ(w.Column(WatchListModel::kColTitle).first(), "后来的");
  w.boxes.yes = true;
  f->DeleteAll();
  EXPECT_EQ(f->model()->rowCount(), 0);
}

TEST(FrmGZ, ReadAllIsOnWhileAnUnreadEntryIsListed) {
  Window w;
  FrmGZ* f = w.Open();
  ASSERT_TRUE(f->Command2->isEnabled());
  f->Command2->click();
  EXPECT_EQ(w.Column(WatchListModel::kColState), QStringList(5, "已阅"));
  EXPECT_FALSE(f->Command2->isEnabled());
  // A click on a list of read entries offers the deletions, not reading.
  QTest::mouseClick(f->ListView1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(f->MenuDellall->isEnabled());
  EXPECT_FALSE(f->Command2->isEnabled());
  // A new entry (the matcher's pop-up refills the open window).
  w.Entry("新来的", Day(0), "1");
  f->Refill();
  EXPECT_TRUE(f->Command2->isEnabled());
  f->OpenRow(0);
  w.viewer->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(f->Command2->isEnabled());
}

TEST(FrmGZ, EnterInABoxSavesAndEscClosesWithoutSaving) {
  Window w;
  FrmGZ* f = w.Open();
  QWidget* boxes[] = {f->Text1, f->Text2, f->Text3, f->Text4};
  for (int box = 0; box < 4; ++box) {
    f->Text1->setText(QStringLiteral("词%1").arg(box));
    boxes[box]->setFocus();
    QTest::keyClick(boxes[box], Qt::Key_Return);
    EXPECT_FALSE(w.window.isNull()) << box;
    EXPECT_EQ(w.Stored("AttentionProduct"), QStringLiteral("词%1").arg(box)) << box;
  }
  EXPECT_EQ(w.boxes.shown.size(), 4);
  EXPECT_EQ(w.boxes.shown.value(0), "数据安全|设置观注成功!");
  f->Text1->setText("别的词");
  QTest::keyClick(f->Text1, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(w.window.isNull());
  EXPECT_EQ(w.Stored("AttentionProduct"), "词3");
}

TEST(FrmGZ, TheRuleEditorRefusesWhatCannotBeStoredAndSavesTheRest) {
  Window w;
  FrmGZ* f = w.Open();
  QSignalSpy saved(f, &FrmGZ::watchSaved);
  WatchRulesPage* page = f->RulesPage;
  struct Case {
    const char* name;
    const char* min;
    const char* max;
    const char* shown;  // the message, or "" when stored
  };
  const Case cases[] = {
      {"  ", "", "", "观注规则|规则名称不能为空"},
      {"默认规则", "", "", "观注规则|已有同名的规则"},
      {"电梯-绵阳", "200", "100", "观注规则|最低预算不能高于最高预算"},
      {"电梯-绵阳", "abc", "", "观注规则|预算应为不小于0的数（万元）"},
      {"电梯-绵阳", "100", "100", ""},
      {"电梯-绵阳", "", "", "观注规则|已有同名的规则"},
  };
  for (const Case& c : cases) {
    w.boxes.shown.clear();
    QPointer<WatchRuleEditor> editor = page->AddRule();
    ASSERT_TRUE(editor);
    editor->TextName->setText(c.name);
    editor->TextProducts->setText("电梯");
    editor->TextPlaces->setText("绵阳");
    editor->TextExcludes->setText("维修");
    editor->CheckTypes[1]->setChecked(true);  // type 2
    editor->TextMinBudget->setText(c.min);
    editor->TextMaxBudget->setText(c.max);
    QTest::keyClick(editor->TextExcludes, Qt::Key_Return);  // Enter saves
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w.boxes.shown.join(""), c.shown) << c.name << c.min;
    EXPECT_EQ(editor.isNull(), QString(c.shown).isEmpty()) << c.name << c.min;
    if (editor) editor->reject();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  ASSERT_EQ(page->rules().size(), 1u);
  EXPECT_EQ(page->rules()[0].types, "2");
  EXPECT_EQ(page->rules()[0].min_budget, 1000000.0);
  EXPECT_EQ(saved.count(), 1);

  // Copy, disable, delete (asked first).
  page->ListRules->setCurrentIndex(page->ListRules->model()->index(0, 0));
  QPointer<WatchRuleEditor> copy = page->CopyRule();
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->TextName->text(), "电梯-绵阳 - 副本");
  copy->Save();
  page->ToggleRule();
  ASSERT_EQ(page->rules().size(), 2u);
  EXPECT_FALSE(page->rules()[0].enabled);
  w.boxes.yes = false;
  page->DeleteRule();
  EXPECT_EQ(page->rules().size(), 2u);
  w.boxes.yes = true;
  page->DeleteRule();
  EXPECT_EQ(page->rules().size(), 1u);
  EXPECT_EQ(saved.count(), 4);  // stored twice, disabled, deleted once
}

TEST(FrmGZ, TheRuleColumnFiltersTheEntries) {
  Window w;
  ASSERT_TRUE(w.temp.db().Execute("UPDATE Attention SET Rule = '默认规则'"));
  ASSERT_TRUE(w.temp.db().Execute("UPDATE Attention SET Rule = '空调' WHERE MC = '绵阳空调'"));
  FrmGZ* f = w.Open();
  EXPECT_EQ(f->ComboRule->count(), 3);  // 全部规则, 默认规则, 空调
  f->ComboRule->setCurrentIndex(f->ComboRule->findText("空调"));
  emit f->ComboRule->activated(f->ComboRule->currentIndex());
  EXPECT_EQ(w.Column(WatchListModel::kColTitle), QStringList({"绵阳空调"}));
  EXPECT_EQ(w.Column(WatchListModel::kColRule), QStringList({"空调"}));
  f->Refill();  // a run's refill keeps the choice
  EXPECT_EQ(f->ComboRule->currentText(), "空调");
  f->ComboRule->setCurrentIndex(0);
  emit f->ComboRule->activated(0);
  EXPECT_EQ(f->model()->rowCount(), 5);
}

TEST(WatchNotifier, ThePopUpRefillsAnOpenWindowInsteadOfASecond) {
  Boxes boxes;
  test_support::TempDatabase temp;
  AppContext context;
  context.db = &temp.db();
  context.program_folder = QStringLiteral(TALVEC_BIN_DIR);
  QWidget owner;
  Viewer viewer(&owner);
  WatchNotifier notifier(context, viewer, &owner);
  EXPECT_EQ(notifier.SoundFile(), QStringLiteral(TALVEC_BIN_DIR "/Notice.wav"));
  // The delivered chime: 16-bit PCM, short, never at full scale.
  QFile wav(notifier.SoundFile());
  ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
  const QByteArray bytes = wav.readAll();
  ASSERT_GT(bytes.size(), 44);
  EXPECT_EQ(bytes.left(4), "RIFF");
  EXPECT_EQ(bytes.mid(8, 4), "WAVE");
  const auto* pcm = reinterpret_cast<const qint16*>(bytes.constData() + 44);
  const qsizetype frames = (bytes.size() - 44) / 2;
  EXPECT_GT(frames, 44100 * 3 / 10);
  EXPECT_LT(frames, 44100 * 2);
  int peak = 0;
  for (qsizetype i = 0; i < frames; ++i) peak = std::max(peak, std::abs(int(pcm[i])));
  EXPECT_GT(peak, 8000);
  EXPECT_LT(peak, 30000);
  EXPECT_LT(std::abs(int(pcm[0])) + std::abs(int(pcm[frames - 1])), 200);  // no click

  notifier.PlayNoticeSound();
  EXPECT_EQ(notifier.soundRequests(), 1);
  notifier.ShowWatchList();
  QPointer<FrmGZ> first = notifier.watchList();
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(first->model()->rowCount(), 0);

  ASSERT_TRUE(
      temp.db().Execute("INSERT INTO Attention(MC, DZ, SJ, ZT) VALUES('新公告', '/n', ?, '1')",
                        QDate::currentDate().toString("yyyy-MM-dd")));
  notifier.ShowWatchList();
  EXPECT_EQ(notifier.watchList(), first.data());  // no second window
  EXPECT_EQ(first->model()->rowCount(), 1);
  EXPECT_EQ(WatchNotifier::TrayToolTip(1), "我的观注: 1 条未阅");

  first->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(first.isNull());
  EXPECT_TRUE(boxes.shown.isEmpty());
}

}  // namespace
}  // namespace talvec
