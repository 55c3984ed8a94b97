// The search field above the message list. Enter brings the store's search
// index up to date and queries it off the window's thread (a first search
// of a large store builds the index, with the progress bar); the results
// fill the list under a "Suchergebnis" item at the top of the folder tree,
// with a column for each message's folder. Emptying the field returns to
// the folder shown before.

#include <QApplication>
#include <QFutureWatcher>
#include <QLabel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTreeView>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "platform/DateTime.h"
#include "platform/Error.h"
#include "search/SearchQuery.h"
#include "ui/ResourceIcon.h"

namespace vellumine {

std::string TMainForm::FileOfMessage(std::size_t index) const
{
    return index < FMessageFiles.size() ? FMessageFiles[index] : FCurrentFile;
}

void TMainForm::SearchEditReturn()
{
    const std::string query = SearchEdit->text().trimmed().toStdString();
    if (query.empty()) {
        SearchEditCleared();
        return;
    }
    ParseSearchQuery(query, CurrentUtcOffsetSeconds());  // a date it cannot read is said at once
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
    StatusPanel0->setText(QString::fromUtf8("Suche läuft…"));
    const auto reader = FSearchReader;
    const auto cancel = FSearchCancel;
    const std::string storeFolder = reader->StoreFolderPath();
    const std::string indexPath = SearchIndexPathFor(storeFolder);
    const QPointer<TMainForm> window(this);
    FSearchWatcher->setFuture(QtConcurrent::run([reader, cancel, storeFolder, indexPath, query, window] {
        SearchOutcome outcome;
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
            if (!cancel->load())
                outcome.hits = index.Find(query);
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
    SetProStatus(0);
    StatusPanel0->clear();
    if (!FSearchWanted.empty()) {
        StartSearch();  // Enter was pressed again meanwhile, or another store opened
        return;
    }
    if (FSearchCancel->load())
        return;
    if (!outcome.error.empty())
        throw Error(outcome.error);
    FSearchHits = std::move(outcome.hits);
    if (!FSearchItem) {
        FSearchItem = new QTreeWidgetItem;
        FSearchItem->setData(0, kFolderDataRole, kSearchResultsIndex);
        FSearchItem->setIcon(0, ResourceIcon("folder.svg"));
        TreeView1->insertTopLevelItem(0, FSearchItem);
    }
    FSearchItem->setText(0, QString::fromUtf8("Suchergebnis (%1)").arg(FSearchHits.size()));
    QString status = QString::fromUtf8("%1 Nachrichten gefunden").arg(FSearchHits.size());
    if (FBusy) {
        // A run works through the list: the results wait under their item.
        StatusPanel0->setText(status);
        return;
    }
    {
        const QSignalBlocker quiet(TreeView1);
        TreeView1->setCurrentItem(FSearchItem);
    }
    ShowSearchResults();
    if (FListModel->rowCount() > 0)  // the newest result shows at once
        ListView1->selectionModel()->select(FListModel->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (!outcome.update.unreadable.empty())
        status += QString::fromUtf8(", %1 Ordnerdateien nicht lesbar").arg(outcome.update.unreadable.size());
    StatusPanel0->setText(status);
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
        FSearchSnippets.push_back(hit.snippet);
    }
    FListModel->SetSearchTexts(&FSearchFolders, &FSearchSnippets);
    FListModel->SetMessages(&FMessages, FSortColumn, FSortDescending);
    ListView1->setColumnWidth(kColumnFolder, 150);
    ++FListGeneration;
    ListView1Change();
}

void TMainForm::RemoveSearchItem()
{
    delete FSearchItem;
    FSearchItem = nullptr;
    FSearchHits.clear();
}

void TMainForm::SearchEditCleared()
{
    FSearchWanted.clear();
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
