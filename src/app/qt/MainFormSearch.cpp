// The search field above the message list. Enter brings the store's search
// index up to date and queries it off the window's thread (a first search
// of a large store builds the index, with the progress bar, and
// "Abbrechen" stops it); the results fill the list under a "Suchergebnis"
// item at the top of the folder tree, with a column for each message's
// folder, a page at a time: the next comes when the list is scrolled to
// its end. Emptying the field (or Esc) returns to the folder shown before;
// Ctrl+F (bound with the window's other keys) goes to the field.

#include <QApplication>
#include <QFutureWatcher>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>
#include <set>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "platform/DateTime.h"
#include "platform/Error.h"
#include "search/SearchQuery.h"
#include "ui/ResourceIcon.h"

namespace vellumine {
namespace {

// The snippet for the row's tooltip, its matching words between » and «.
std::string MarkedSnippet(const SearchHit& hit)
{
    std::string marked;
    std::size_t at = 0;
    for (const auto& [offset, length] : hit.matches) {
        if (offset < at || offset + length > hit.snippet.size())
            continue;
        marked += hit.snippet.substr(at, offset - at) + "»" + hit.snippet.substr(offset, length) + "«";
        at = offset + length;
    }
    return marked + hit.snippet.substr(at);
}

}  // namespace

std::string TMainForm::FileOfMessage(std::size_t index) const
{
    return index < FMessageFiles.size() ? FMessageFiles[index] : FCurrentFile;
}

void TMainForm::ConnectSearchField()
{
    StatusPanel0->setTextFormat(Qt::PlainText);  // it names store folders and files
    auto* clear = new QShortcut(QKeySequence(Qt::Key_Escape), SearchEdit);
    clear->setContext(Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, SearchEdit, &QLineEdit::clear);
    connect(ListView1->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        if (value == ListView1->verticalScrollBar()->maximum())
            Guarded([this] { StartNextSearchPage(); });
    });
}

void TMainForm::SearchEditReturn()
{
    const std::string query = SearchEdit->text().trimmed().toStdString();
    if (query.empty()) {
        SearchEditCleared();
        return;
    }
    ParseSearchQuery(query, CurrentUtcOffsetSeconds());  // a query it cannot read is said at once
    FSearchWanted = query;
    StartSearch();
}

void TMainForm::StartSearch()
{
    if (FSearchRunning || FSearchWanted.empty())
        return;  // the search under way starts the wanted one when it ends
    if (!FSearchWatcher) {
        FSearchWatcher = new QFutureWatcher<SearchOutcome>(this);
        connect(FSearchWatcher, &QFutureWatcher<SearchOutcome>::finished, this,
                [this] { Guarded([this] { SearchDone(); }); });
    }
    FSearchRunning = true;
    const std::string query = std::move(FSearchWanted);
    FSearchWanted.clear();
    if (FSearchCancel->load())  // the last one was cancelled: this one is not
        FSearchCancel = std::make_shared<std::atomic<bool>>(false);
    StatusPanel0->setText(QString::fromUtf8("Suche läuft…"));
    if (!FBusy)
        CancelBtn->setEnabled(true);
    const auto reader = FSearchReader;
    const auto cancel = FSearchCancel;
    const std::string storeFolder = reader->StoreFolderPath();
    const std::string indexPath = SearchIndexPathFor(storeFolder);
    const QPointer<TMainForm> window(this);
    const std::size_t pageSize = FSearchPageSize;
    const std::uint64_t generation = FSearchGeneration;
    FSearchShown = query;
    FSearchWatcher->setFuture(QtConcurrent::run([reader, cancel, storeFolder, indexPath, query, window, pageSize,
                                                 generation] {
        SearchOutcome outcome;
        outcome.generation = generation;
        try {
            SearchIndex index(indexPath, storeFolder);
            IndexCallbacks callbacks;
            callbacks.cancelled = [cancel] { return cancel->load(); };
            callbacks.progress = [window](std::size_t done, std::size_t total) {
                const int percent = total ? static_cast<int>(done * 100 / total) : 0;
                QMetaObject::invokeMethod(
                    qApp, [window, percent] { if (window) window->SetProStatus(percent); }, Qt::QueuedConnection);
            };
            outcome.update = index.Update(*reader, reader->ReadStoreFolders(), callbacks);
            if (!cancel->load()) {
                // Every row gets the snippet its tooltip shows. On the worker:
                // a page of 1,000 broad hits on 100,000 messages takes about
                // 60 ms instead of 10 with snippets for the first 100 alone.
                outcome.hits = index.Find(query, pageSize, 0, pageSize);
                outcome.total = outcome.hits.size() < pageSize ? outcome.hits.size() : index.Count(query);
            }
        } catch (const std::exception& e) {
            outcome.error = e.what();
        }
        outcome.cancelled = cancel->load();
        return outcome;
    }));
}

// The page after those shown, when the results are shown and there is more.
void TMainForm::StartNextSearchPage()
{
    if (FSearchRunning || !FSearchItem || TreeView1->currentItem() != FSearchItem ||
        FSearchHits.size() >= FSearchTotal)
        return;
    FSearchRunning = true;
    const std::string storeFolder = FSearchReader->StoreFolderPath();
    const std::string indexPath = SearchIndexPathFor(storeFolder);
    const std::string query = FSearchShown;
    const std::size_t offset = FSearchHits.size();
    const std::size_t pageSize = FSearchPageSize;
    const std::uint64_t generation = FSearchGeneration;
    FSearchWatcher->setFuture(QtConcurrent::run([storeFolder, indexPath, query, offset, pageSize, generation] {
        SearchOutcome outcome;
        outcome.nextPage = true;
        outcome.generation = generation;
        try {
            SearchIndex index(indexPath, storeFolder);
            outcome.hits = index.Find(query, pageSize, offset, pageSize);
        } catch (const std::exception& e) {
            outcome.error = e.what();
        }
        return outcome;
    }));
}

void TMainForm::SearchDone()
{
    FSearchRunning = false;
    SearchOutcome outcome = FSearchWatcher->result();
    if (FDestroying)
        return;
    if (!outcome.nextPage) {
        SetProStatus(0);
        ShowStoreNotice();
        if (!FBusy)
            CancelBtn->setEnabled(false);
    }
    if (!FSearchWanted.empty()) {
        StartSearch();  // Enter was pressed again meanwhile, or another store opened
        return;
    }
    if (outcome.generation != FSearchGeneration)
        return;  // the field was emptied or another store opened meanwhile
    if (outcome.cancelled || FSearchCancel->load()) {
        // By "Abbrechen"; a search of a store no longer open ends unsaid.
        if (!outcome.nextPage && FSearchCancel->load())
            StatusPanel0->setText(QString::fromUtf8("Suche abgebrochen"));
        return;
    }
    if (!outcome.error.empty())
        throw Error(outcome.error);
    if (outcome.nextPage)
        AppendSearchPage(std::move(outcome.hits));
    else
        ShowSearchOutcome(outcome);
}

void TMainForm::ShowSearchOutcome(SearchOutcome& outcome)
{
    FSearchHits = std::move(outcome.hits);
    FSearchTotal = outcome.total;
    if (!FSearchItem) {
        FSearchItem = new QTreeWidgetItem;
        FSearchItem->setData(0, kFolderDataRole, kSearchResultsIndex);
        FSearchItem->setIcon(0, ResourceIcon("folder.svg"));
        TreeView1->insertTopLevelItem(0, FSearchItem);
    }
    ShowSearchCounts();
    if (FBusy)
        return;  // a run works through the list: the results wait under their item
    {
        const QSignalBlocker quiet(TreeView1);
        TreeView1->setCurrentItem(FSearchItem);
    }
    ShowSearchResults();
    if (FListModel->rowCount() > 0)  // the newest result shows at once
        ListView1->selectionModel()->select(FListModel->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QString status = StatusPanel0->text();
    if (!outcome.update.unreadable.empty())
        status += QString::fromUtf8(", %1 Ordnerdateien nicht lesbar").arg(outcome.update.unreadable.size());
    if (!outcome.update.notice.empty())
        status += ", " + QString::fromStdString(outcome.update.notice);
    StatusPanel0->setText(status);
}

// "Suchergebnis (1.000 von 8.335)" and "8.335 Nachrichten gefunden".
void TMainForm::ShowSearchCounts()
{
    const QString shown = GermanCount(FSearchHits.size());
    FSearchItem->setText(0, FSearchHits.size() < FSearchTotal
                                ? QString::fromUtf8("Suchergebnis (%1 von %2)").arg(shown, GermanCount(FSearchTotal))
                                : QString::fromUtf8("Suchergebnis (%1)").arg(shown));
    StatusPanel0->setText(FSearchTotal == 1 ? QString::fromUtf8("1 Nachricht gefunden")
                                            : QString::fromUtf8("%1 Nachrichten gefunden").arg(GermanCount(FSearchTotal)));
}

// The next page joins the list; the selection and the place in the list stay.
void TMainForm::AppendSearchPage(std::vector<SearchHit> hits)
{
    if (hits.empty()) {
        FSearchTotal = FSearchHits.size();  // the index changed under the search
        ShowSearchCounts();
        return;
    }
    const bool shown = FSearchItem && TreeView1->currentItem() == FSearchItem && !FBusy;
    std::set<std::size_t> selected;
    if (shown)
        for (const QModelIndex& row : ListView1->selectionModel()->selectedRows())
            selected.insert(FListModel->MessageIndexAt(row.row()));
    for (SearchHit& hit : hits)
        FSearchHits.push_back(std::move(hit));
    ShowSearchCounts();
    if (!shown)
        return;
    const int scrolled = ListView1->verticalScrollBar()->value();
    const QSignalBlocker quiet(ListView1->selectionModel());
    for (std::size_t i = FMessages.size(); i < FSearchHits.size(); ++i) {
        const SearchHit& hit = FSearchHits[i];
        FMessages.push_back(hit.info);
        FMessageFiles.push_back(hit.file);
        FSearchFolders.push_back(hit.folder);
        FSearchSnippets.push_back(MarkedSnippet(hit));
    }
    FListModel->SetMessages(&FMessages, FSortColumn, FSortDescending);
    QItemSelection selection;
    for (int row = 0; row < FListModel->rowCount(); ++row)
        if (selected.count(FListModel->MessageIndexAt(row)))
            selection.select(FListModel->index(row, 0), FListModel->index(row, FListModel->columnCount() - 1));
    ListView1->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    ListView1->verticalScrollBar()->setValue(scrolled);
    ListView1->viewport()->update();
    UpdateStatusText();  // the selection came back without its signal
    LoadMoreWhenNothingScrolls();
}

// A page that fits the list has no end to scroll to: the next comes at once.
void TMainForm::LoadMoreWhenNothingScrolls()
{
    QTimer::singleShot(0, this, [this] {
        if (ListView1->verticalScrollBar()->maximum() == 0)
            Guarded([this] { StartNextSearchPage(); });
    });
}

void TMainForm::ShowSearchResults()
{
    FFolderNotice->hide();
    FListModel->SetMessages(nullptr, FSortColumn, FSortDescending);
    FFolderLoadWanted = 0;
    FSelectFirstWhenLoaded = false;
    FCurrentFile.clear();
    FMessages.clear();
    FMessageFiles.clear();
    FSearchFolders.clear();
    FSearchSnippets.clear();
    for (const SearchHit& hit : FSearchHits) {
        FMessages.push_back(hit.info);
        FMessageFiles.push_back(hit.file);
        FSearchFolders.push_back(hit.folder);
        FSearchSnippets.push_back(MarkedSnippet(hit));
    }
    FListModel->SetSearchTexts(&FSearchFolders, &FSearchSnippets);
    FListModel->SetMessages(&FMessages, FSortColumn, FSortDescending);
    ++FListGeneration;
    ShowSearchCounts();
    ListView1Change();
    LoadMoreWhenNothingScrolls();
}

void TMainForm::RemoveSearchItem()
{
    delete FSearchItem;
    FSearchItem = nullptr;
    FSearchHits.clear();
    FSearchTotal = 0;
}

void TMainForm::SearchEditCleared()
{
    FSearchWanted.clear();
    ++FSearchGeneration;  // a search under way ends unseen
    ShowStoreNotice();
    if (!FSearchItem)
        return;
    const bool resultsShown = TreeView1->currentItem() == FSearchItem;
    {
        const QSignalBlocker quiet(TreeView1);
        RemoveSearchItem();
    }
    if (!resultsShown)
        return;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it) {
        if ((*it)->data(0, kFolderDataRole).toULongLong() == FFolderBeforeSearch) {
            const QSignalBlocker quiet(TreeView1);
            TreeView1->setCurrentItem(*it);
            break;
        }
    }
    TreeView1Click();
}

}  // namespace vellumine
