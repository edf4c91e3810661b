#include "ui/search_ui.h"

#include <QAction>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <numeric>

#include "core/app_context.h"
#include "core/ui_state.h"
#include "dialogs/messages.h"
#include "favorites/favorites.h"
#include "search/filters.h"
#include "search/search_query.h"
#include "ui/facts_filter_bar.h"
#include "ui/filter_panels.h"
#include "ui/list_export.h"
#include "ui/frmscj.h"
#include "ui/result_list.h"
#include "ui/search_panel.h"
#include "ui/status_light.h"
#include "ui/twips.h"
#include "ui/viewer.h"
#include "ui/viewer_rules.h"

Q_LOGGING_CATEGORY(lcSearchUi, "talvec.search.window")

namespace talvec {

namespace {

// The result list's sort as the user last chose it, kept between runs.
const QString kSortColumnKey = QStringLiteral("ListView2.SortColumn");
const QString kSortOrderKey = QStringLiteral("ListView2.SortOrder");

}  // namespace

SearchUi::SearchUi(AppContext& context, Viewer& viewer, StatusLight* light, QWidget* window,
                   QWidget* frame, QWidget* top_bar, QObject* parent)
    : QObject(parent), context_(context), viewer_(viewer), light_(light), window_(window) {
  const double dpi = frame->screen() ? frame->screen()->logicalDotsPerInch() : 96.0;

  list_ = new ResultListView(frame);
  facts_bar_ = new FactsFilterBar(frame);
  connect(facts_bar_, &FactsFilterBar::changed, this, [this] {
    ShowPassing();
    emit rowsShown(list_->resultModel()->rowCount());
  });
  list_->resultModel()->SetDatabase(context_.db);
  list_->setGeometry(TwipsRect(3060, 3015, 8610, 6555, dpi));
  filters_ = new FilterPanels(frame, dpi, this);
  panel_ = new SearchPanel(frame, top_bar, dpi, this);
  panel_->PicZT->raise();

  connect(panel_, &SearchPanel::searchRequested, this, &SearchUi::RunSearch);
  connect(filters_, &FilterPanels::filterRequested, this, [this](const QString& words) {
    ChoiceWords = words;
    FilterPass();
  });
  connect(list_, &ResultListView::openRequested, this, &SearchUi::OpenRow);
  BuildMenus(window);
  connect(list_, &ResultListView::selectedRowChanged, this,
          [this](qint64 number) { MenuAdd->setEnabled(number > 0); });
  connect(list_, &ReportListView::sortChosen, this, &SearchUi::KeepSort);
}

SearchUi::~SearchUi() = default;

void SearchUi::BuildMenus(QWidget* window) {
  auto* main_window = qobject_cast<QMainWindow*>(window);
  QMenuBar* bar = main_window ? main_window->menuBar() : nullptr;

  MenuGR = new QMenu(QStringLiteral("【个人管理】"), window);
  MenuGR->setObjectName(QStringLiteral("MenuGR"));
  MenuSCJ = MenuGR->addAction(QStringLiteral("收藏夹(&F)"));
  MenuSCJ->setObjectName(QStringLiteral("MenuSCJ"));
  MenuSCJ->setShortcut(QKeySequence(Qt::Key_F2));
  connect(MenuSCJ, &QAction::triggered, this, [this] { OpenFavorites(); });
  if (bar) bar->addMenu(MenuGR);

  // Context menu of the result list, never in the menu bar.
  MenuKJ = new QMenu(QStringLiteral("快捷键"), window);
  MenuKJ->setObjectName(QStringLiteral("MenuKJ"));
  MenuAdd = MenuKJ->addAction(QStringLiteral("添加到收藏夹(&A)"));
  MenuAdd->setObjectName(QStringLiteral("MenuAdd"));
  MenuAdd->setEnabled(false);
  connect(MenuAdd, &QAction::triggered, this, &SearchUi::AddFavorite);
  MenuExport = MenuKJ->addAction(QStringLiteral("导出(&E)…"));
  MenuExport->setObjectName(QStringLiteral("MenuExport"));
  connect(MenuExport, &QAction::triggered, this, &SearchUi::ExportList);
  list_->SetContextMenu(MenuKJ);

  // The search key: a menu that is not shown, whose command carries F8.
  MenuZs = new QMenu(QStringLiteral("搜索"), window);
  MenuZs->setObjectName(QStringLiteral("MenuZs"));
  MenuSearch = MenuZs->addAction(QStringLiteral("搜索"));
  MenuSearch->setObjectName(QStringLiteral("MenuSearch"));
  MenuSearch->setShortcut(QKeySequence(Qt::Key_F8));
  connect(MenuSearch, &QAction::triggered, this, &SearchUi::RunSearch);
  // Shortcuts of actions outside the menu bar work through the window.
  window->addAction(MenuSearch);
}

void SearchUi::ApplyTypeOptions() { panel_->ApplyTypeOptions(context_.settings); }

void SearchUi::InitDatePickers() { panel_->InitDatePickers(QDate::currentDate()); }

void SearchUi::SetupColumns() {
  list_->ClearRows();
  list_->ApplyColumnWidths();
  full_.reset();
  RestoreSort();
}

void SearchUi::RestoreSort() {
  if (!context_.db) return;
  const UiState state(*context_.db);
  const Result<std::optional<int>> column = state.Int(kSortColumnKey);
  const Result<std::optional<int>> order = state.Int(kSortOrderKey);
  if (!column || !order) {
    qCWarning(lcSearchUi) << "sort not restored:"
                          << (column ? order.error() : column.error()).FullText();
    return;
  }
  if (!*column || !*order) return;  // never chosen
  if (**order != Qt::AscendingOrder && **order != Qt::DescendingOrder) return;
  list_->ApplySort(**column, static_cast<Qt::SortOrder>(**order));
}

void SearchUi::KeepSort(int column, Qt::SortOrder order) {
  if (!context_.db) return;
  UiState state(*context_.db);
  const Result<void> kept = state.SetTexts(
      {{kSortColumnKey, UiState::IntText(column)}, {kSortOrderKey, UiState::IntText(order)}});
  if (!kept) qCWarning(lcSearchUi) << "sort not kept:" << kept.error().FullText();
}

void SearchUi::ResetSearchType() { panel_->ResetSearchType(); }

void SearchUi::RunSearch() {
  list_->ClearRows();
  full_.reset();
  panel_->ShowSearching();

  SearchRequest request = panel_->Request(QDate::currentDate());
  request.region_flag = filters_->RegionChosen();
  request.os_name = context_.os_name;
  auto rows = std::make_shared<ResultSet>();
  const Result<void> read = context_.db
                                ? RunSearchQuery(*context_.db, request, rows.get())
                                : Fail(Error::Kind::kOther, QStringLiteral("数据库未打开"));

  // The fill does not return to the event loop, so the pulse only marks
  // the run for whoever watches the light.
  const bool pulse = !rows->empty() && light_;
  if (pulse) light_->StartSearch();
  full_ = std::move(rows);
  last_pass_.resize(full_->size());
  std::iota(last_pass_.begin(), last_pass_.end(), qsizetype{0});
  ShowPassing();
  panel_->Finished();
  // Stopped only when started, so an empty search leaves the light as the
  // collection or the network set it.
  if (pulse && light_) light_->StopSearch();
  filters_->SetEnabled(!full_->empty());
  filters_->Reset();
  emit rowsShown(list_->resultModel()->rowCount());
  // A failed read is not "nothing found".
  if (!read) {
    ShowMessage(window_, QMessageBox::Warning, QStringLiteral("系统提示"),
                QStringLiteral("查询失败，无法读取数据库。"), read.error().FullText());
  }
}

QString SearchUi::NextToLastDate() const {
  const ResultListModel* model = list_->resultModel();
  const int rows = model->rowCount();
  const ResultRow* row = rows >= 2 ? model->RowAt(rows - 2) : nullptr;
  return row ? row->date : QString();
}

void SearchUi::FilterPass() {
  const QString choice = ChoiceWords;
  ChoiceWords.clear();
  if (!full_) {
    last_pass_.clear();
    list_->ClearRows();
  } else {
    last_pass_ = talvec::FilterPass(*full_, choice, filters_->Text4->text());
    ShowPassing();
  }
  emit rowsShown(list_->resultModel()->rowCount());
}

void SearchUi::ShowPassing() {
  if (!full_) {
    list_->ClearRows();
    return;
  }
  const FactsFilter filter = facts_bar_->Filter();
  if (!filter.Active()) {
    list_->ShowRows(full_, NumberRows(last_pass_));
    return;
  }
  ListFactsCache& facts = list_->resultModel()->facts();
  QStringList titles;
  titles.reserve(static_cast<qsizetype>(last_pass_.size()));
  for (qsizetype i : last_pass_) titles.append((*full_)[static_cast<std::size_t>(i)].title);
  facts.Load(titles);
  const QString now = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  std::vector<qsizetype> passing;
  passing.reserve(last_pass_.size());
  for (std::size_t k = 0; k < last_pass_.size(); ++k) {
    const ListFacts& f = facts.Of(titles[static_cast<qsizetype>(k)]);
    if (filter.Passes(f.budget, f.deadline, now)) passing.push_back(last_pass_[k]);
  }
  list_->ShowRows(full_, NumberRows(passing));
}

void SearchUi::ExportList() {
  if (!context_.db) return;
  QPointer<ResultListView> list = list_;
  ExportShownRows(
      window_, *context_.db, QStringLiteral("搜索结果"),
      [list] {
        QList<ShownRow> rows;
        if (!list) return rows;
        const ResultListModel* model = list->resultModel();
        rows.reserve(model->rowCount());
        for (int r = 0; r < model->rowCount(); ++r) {
          const ResultRow* row = model->RowAt(r);
          rows.append({row->title, AnnouncementTypeName(row->type.toInt()), row->date, row->address});
        }
        return rows;
      },
      [this](const QString& note) { emit noted(note); });
}

void SearchUi::AddFavorite() {
  const qint64 number = list_->SelectedRowNumber();
  const ResultRow* row = list_->resultModel()->RowByNumber(number);
  // Only a row the user clicked in the list as it now stands.
  if (!row || !context_.db) return;
  const Result<AddFavoriteResult> added =
      talvec::AddFavorite(*context_.db, {row->title, row->address, row->date});
  if (!added) {
    ShowMessage(window_, QMessageBox::Warning, QStringLiteral("数据安全"),
                QStringLiteral("添加到收藏夹失败!"), added.error().FullText());
  } else if (*added == AddFavoriteResult::kAdded) {
    emit noted(QStringLiteral("已添加到收藏夹: %1").arg(row->title));
  } else {
    ShowMessage(window_, QMessageBox::Information, QStringLiteral("数据安全"),
                QStringLiteral("该投标项目已经存在!"));
  }
}

FrmSCJ* SearchUi::OpenFavorites() {
  if (!context_.db) return nullptr;
  auto* window = new FrmSCJ(*context_.db, &viewer_, context_.settings.SiteBaseAddress, window_);
  window->setWindowModality(Qt::ApplicationModal);
  window->show();
  return window;
}

void SearchUi::OpenRow(const ResultRow& row) {
  viewer_.Open(AnnouncementAddress(row.address, context_.settings.SiteBaseAddress), row.title,
               ViewerMode::kModeless);
}

}  // namespace talvec
