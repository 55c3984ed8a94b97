// The folder tree's click: the folder's messages fill the list. A large
// folder file is read and sorted off the window's thread, so that a folder
// of 100,000 messages does not freeze the window; the list is empty until
// it is read, and a read whose folder is no longer chosen is dropped.

#include <QFutureWatcher>
#include <QLabel>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>
#include <QTreeWidget>
#include <QtConcurrent/QtConcurrentRun>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "platform/Error.h"

namespace vellumine {
void TMainForm::TreeView1Click()
{
    QTreeWidgetItem* item = TreeView1->currentItem();
    if (!item)
        return;
    const auto folderIndex = item->data(0, kFolderDataRole).toULongLong();
    if (folderIndex == kSearchResultsIndex) {
        ShowSearchResults();
        return;
    }
    if (folderIndex == kRescuedMessagesIndex) {
        ShowRescuedMessages(item->data(0, kRescuedFolderRole).toULongLong());
        return;
    }
    if (folderIndex >= FFolders.size())
        return;
    if (!FSearchRunning)
        ShowStoreNotice();  // what a search found is not said of a folder
    FFolderBeforeSearch = folderIndex;
    FCurrentFile = FFolders[folderIndex].FileName;
    FMessageFiles.clear();
    FListModel->SetSearchTexts(nullptr, nullptr);
    FListModel->SetMessages(nullptr, FSortColumn, FSortDescending);
    FMessages.clear();
    FSelectFirstWhenLoaded = false;
    FFolderLoadWanted = 0;
    FFolderNotice->hide();
    if (!FCurrentFile.empty() && FReader.StoreFileSize(FCurrentFile) > FBackgroundReadBytes) {
        FFolderLoadWanted = ++FListGeneration;
        StartFolderLoad();
        ListView1Change();
        return;
    }
    // The list is filled again whatever happens while reading.
    std::exception_ptr failure;
    StoreReadReport report;
    if (!FCurrentFile.empty()) {
        try {
            StoreRecords records;
            FReader.ReadStoreIndex(FCurrentFile, &records, &report);
            FMessages = std::move(records.Messages);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    FListModel->SetMessages(&FMessages, FSortColumn, FSortDescending);
    if (!failure) {
        ShowFolderNotice(report, folderIndex);
        if (!report.Clean())
            AddRescueItem(item, folderIndex);
        else
            StartRescueProbe(folderIndex);
    }
    ++FListGeneration;
    ListView1Change();
    if (failure)
        std::rethrow_exception(failure);
}

bool TMainForm::FolderLoading() const
{
    return FFolderLoadWanted != 0;
}

void TMainForm::StartFolderLoad()
{
    if (FFolderLoadRunning)
        return;  // the read under way is dropped when it ends, and the wanted one starts then
    if (!FFolderWatcher) {
        FFolderWatcher = new QFutureWatcher<FolderLoad>(this);
        connect(FFolderWatcher, &QFutureWatcher<FolderLoad>::finished, this,
                [this] { Guarded([this] { FolderLoaded(); }); });
    }
    FFolderLoadRunning = true;
    FFolderLoadFor = FFolderLoadWanted;
    FFolderLoadSort = {FSortColumn, FSortDescending};
    const auto reader = FFolderReader;
    const std::string file = FCurrentFile;
    const auto [column, descending] = FFolderLoadSort;
    FFolderWatcher->setFuture(QtConcurrent::run([reader, file, column = column, descending = descending] {
        FolderLoad load;
        try {
            StoreRecords records;
            reader->ReadStoreIndex(file, &records, &load.report);
            load.messages = std::move(records.Messages);
        } catch (const std::exception& e) {
            load.error = e.what();
        }
        load.rows = MakeMessageRows(load.messages);
        SortMessageRows(load.messages, load.rows, column, descending);
        return load;
    }));
}

void TMainForm::FolderLoaded()
{
    FFolderLoadRunning = false;
    FolderLoad load = FFolderWatcher->result();
    if (FDestroying || FFolderLoadWanted == 0)
        return;
    if (FFolderLoadFor != FFolderLoadWanted) {
        StartFolderLoad();  // another large folder was chosen while this one was read
        return;
    }
    FFolderLoadWanted = 0;
    FMessages = std::move(load.messages);
    FListModel->SetSortedRows(&FMessages, std::move(load.rows));
    if (FFolderLoadSort != std::pair{FSortColumn, FSortDescending})
        FListModel->Sort(FSortColumn, FSortDescending);  // a column was clicked while reading
    if (FSelectFirstWhenLoaded && FListModel->rowCount() > 0)
        ListView1->selectionModel()->select(FListModel->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    FSelectFirstWhenLoaded = false;
    if (load.error.empty() && FFolderBeforeSearch < FFolders.size()) {
        ShowFolderNotice(load.report, FFolderBeforeSearch);
        if (!load.report.Clean())
            AddRescueItem(TreeView1->currentItem(), FFolderBeforeSearch);
        else
            StartRescueProbe(FFolderBeforeSearch);
    }
    ListView1Change();
    if (!load.error.empty())
        throw Error(load.error);
}

}  // namespace vellumine
