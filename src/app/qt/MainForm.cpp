// The main window's handlers: start-up and shutdown, settings, the folder
// tree, the message list and the small buttons. The layout is built in
// MainFormLayout.cpp; folders, preview, batch runs and the store menu each
// have a file of their own.

#include "app/qt/MainForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/qt/AboutBox.h"
#include "platform/Ascii.h"
#include "platform/Charset.h"
#include "output/qt/ExportForm.h"
#include "app/qt/MigrateForm.h"
#include "output/qt/PagePrinter.h"
#include "app/qt/MessageListModel.h"
#include "mime/MailMessage.h"
#include "platform/Error.h"
#include "platform/FileAccess.h"
#include "render/MessagePage.h"
#include "render/qt/BrowserView.h"
#include "render/qt/ShowMailForm.h"
#include "ui/Dialogs.h"
#include "ui/ImageButton.h"
#include "ui/ProgressPanel.h"
#include "ui/ResourceIcon.h"

namespace vellumine {

void TMainForm::Guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        FDialogs->ShowError(this, QString::fromUtf8(e.what()));
    }
}

// --- start-up and shutdown ---

void TMainForm::FormCreate()
{
    FillTemplateList();
    OpenOptions();
    FShownOffset = -1;
    FShownFile.clear();
    FListPercent = 50;
    FSortColumn = 3;
    FSortDescending = true;
    RestoreLayout();
    LoadStore();
}

void TMainForm::ShowStoreNotice()
{
    StatusPanel0->setText(FStoreNotice);
}

void TMainForm::LoadStore()
{
    FCurrentFile = kFolderListFileName;
    FFolders.clear();
    FMessages.clear();
    FMessageFiles.clear();
    FListModel->SetSearchTexts(nullptr, nullptr);
    FSearchItem = nullptr;  // the tree is built anew
    ++FSearchGeneration;    // and a search of the store before shows nothing in it
    FSearchHits.clear();
    FSearchWanted.clear();
    FSearchTotal = 0;
    FStoreNotice.clear();
    StatusPanel0->clear();
    FRescues.clear();  // folder indexes name the folders of the store read now
    FProbed.clear();
    FProbeCancel->store(true);
    ++FProbeRequest;
    {
        const QSignalBlocker quiet(SearchEdit);
        SearchEdit->clear();
    }
    FListModel->SetMessages(nullptr, FSortColumn, FSortDescending);
    ++FListGeneration;
    if (FNoStoreKnown) {
        // No store known yet (a first start): a hint where to find one
        // instead of the error for "\folders.dbx".
        FDialogs->ShowInformation(this, QStringLiteral("Vellumine"), QString::fromUtf8(kNoStoreHint));
    } else {
        Guarded([this] {
            FFolders = FReader.ReadStoreFolders();
            if (!FStoreFolder.empty())
                RememberStore(FStoreFolder);
        });
    }
    UpdateWindowTitle();
    BuildFolderTree();
    std::vector<QTreeWidgetItem*> order;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        order.push_back(*it);
    if (QTreeWidgetItem* start = StartFolderItem(order)) {
        TreeView1->setCurrentItem(start);
        Guarded([this] { TreeView1Click(); });
    }
    FStartFile.clear();
    FWantedFolderId.reset();
    if (FListModel->rowCount() > 0)
        ListView1->selectionModel()->select(FListModel->index(0, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else if (!(FSelectFirstWhenLoaded = FolderLoading()))
        Guarded([this] { ListView1Change(); });  // no message: no page of another store stays
}

void TMainForm::FormDestroy()
{
    FSearchCancel->store(true);
    SaveOptions();
    SaveLayout();
    FTempFiles.DeleteTempFiles();
    if (FTempFolder)
        FTempFolder->Remove();
    FDestroying = true;
}

std::string TMainForm::TempFolder() const
{
    if (!FTempFolder || FTempFolder->Path().empty())
        throw Error("Es gibt kein Verzeichnis für die Vorschau");
    return FTempFolder->Path();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (FBusy) {
        // A run is going on: it is cancelled, and the window closes once it
        // has stopped, so nothing goes on running behind a hidden window.
        FCancel = true;
        FCloseRequested = true;
        event->ignore();
        return;
    }
    if (!FClosed) {
        FClosed = true;
        FormDestroy();
    }
    event->accept();
}

// The folder of the file the program was started with (a file manager hands
// over Archiv.dbx), else the third node in tree order, else none.
QTreeWidgetItem* TMainForm::StartFolderItem(const std::vector<QTreeWidgetItem*>& order) const
{
    for (QTreeWidgetItem* item : FStartFile.empty() ? std::vector<QTreeWidgetItem*>() : order) {
        const auto index = item->data(0, kFolderDataRole).toULongLong();
        // The record keeps the name in the store's code page, the command
        // line gives it as the file system spells it.
        if (index < FFolders.size() && (EqualIgnoringAsciiCase(FFolders[index].FileName, FStartFile) ||
                                        EqualIgnoringAsciiCase(Windows1252ToUtf8(FFolders[index].FileName), FStartFile)))
            return item;
    }
    if (FWantedFolderId) {  // the folder shown when the window was closed
        for (QTreeWidgetItem* item : order) {
            const auto index = item->data(0, kFolderDataRole).toULongLong();
            if (index < FFolders.size() && FFolders[index].Id == *FWantedFolderId)
                return item;
        }
    }
    return order.size() >= 3 ? order[2] : nullptr;
}

void TMainForm::FillTemplateList()
{
    DesignBox->clear();
    for (const std::string& name : ListTemplates(FTemplateDir))
        DesignBox->addItem(QString::fromStdString(name));
    DesignBox->setCurrentIndex(DesignBox->count() - 1);
}

ViewOptions TMainForm::CurrentOptions() const
{
    return {DesignBox->currentIndex(), ShowHead->isChecked(), voncheck->isChecked(), ancheck->isChecked(),
            betreffcheck->isChecked(), datumcheck->isChecked()};
}

void TMainForm::OpenOptions()
{
    ViewOptions options = CurrentOptions();
    ReadOptionsFile(FSettingsDir + "options.dat", options);
    const bool validIndex = options.designIndex >= 0 && options.designIndex < DesignBox->count();
    DesignBox->setCurrentIndex(validIndex ? options.designIndex : -1);
    const std::pair<QCheckBox*, bool> boxes[] = {{ShowHead, options.showHead},
                                                 {voncheck, options.showFrom},
                                                 {ancheck, options.showTo},
                                                 {betreffcheck, options.showSubject},
                                                 {datumcheck, options.showDate}};
    for (const auto& [box, checked] : boxes) {
        if (box->isChecked() == checked)
            continue;
        box->setChecked(checked);
        Guarded([this] { ShowHeadClick(); });  // as a click would
    }
    UpdateFieldBoxes();
}

void TMainForm::SaveOptions()
{
    WriteOptionsFile(FSettingsDir + "options.dat", CurrentOptions());
}

PageDesign TMainForm::CurrentDesign() const
{
    PageDesign design;
    if (DesignBox->currentIndex() >= 0)
        design.templatePath =
            DesignTemplatePath(FTemplateDir, DesignBox->currentText().toStdString()).value_or(std::string());
    design.showFrom = voncheck->isChecked();
    design.showTo = ancheck->isChecked();
    design.showDate = datumcheck->isChecked();
    design.showSubject = betreffcheck->isChecked();
    return design;
}

// --- folder tree ---

void TMainForm::BuildFolderTree()
{
    TreeView1->clear();
    const FolderTree tree = FolderTree::Build(FFolders);
    const QIcon folderIcon = ResourceIcon("folder.svg");
    std::function<void(const FolderNode&, QTreeWidgetItem*)> mirror = [&](const FolderNode& node,
                                                                          QTreeWidgetItem* parentItem) {
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(TreeView1);
        item->setText(0, StoreTextToQString(FFolders[node.folderIndex].Name));
        item->setData(0, kFolderDataRole, static_cast<qulonglong>(node.folderIndex));
        item->setIcon(0, folderIcon);
        for (const auto& child : node.children)
            mirror(*child, item);
    };
    for (const auto& top : tree.TopLevel())
        mirror(*top, nullptr);
    TreeView1->expandAll();
    FStoreNotice = tree.FoldersPlacedAtDepthBound() == 0
                       ? QString()
                       : QString::fromUtf8("%1 Ordner tiefer als %2 Ebenen: auf Ebene %2 gezeigt")
                             .arg(tree.FoldersPlacedAtDepthBound())
                             .arg(kMaxFolderDepth);
    ShowStoreNotice();
}

// --- message list ---

int TMainForm::FirstSelectedRow() const
{
    int first = -1;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows())
        if (first < 0 || index.row() < first)
            first = index.row();
    return first;
}

void TMainForm::ListView1ColumnClick(int column)
{
    if (column == kColumnFolder) {
        // Search results keep the order the list has; the header shows it.
        ListView1->header()->setSortIndicator(FSortColumn, SortIndicatorFor(FSortDescending));
        return;
    }
    if (column == FSortColumn) {
        FSortDescending = !FSortDescending;
    } else {
        FSortColumn = column;
        FSortDescending = false;
    }
    FListModel->Sort(FSortColumn, FSortDescending);
    ListView1->header()->setSortIndicator(FSortColumn, SortIndicatorFor(FSortDescending));
}

void TMainForm::SelectAll()
{
    FSelectingAll = true;
    const int rows = FListModel->rowCount();
    if (rows > 0)
        ListView1->selectionModel()->select(QItemSelection(FListModel->index(0, 0), FListModel->index(rows - 1, 3)),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
    FSelectingAll = false;
}

void TMainForm::QuitBtnClick()
{
    SelectAll();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView1 && event->type() == QEvent::KeyPress && ListKeyPressed(*static_cast<QKeyEvent*>(event)))
        return true;
    if (watched == ListView1->viewport() && event->type() == QEvent::Resize && FShownOnce)
        ApplyColumnLayout();  // columns without a width of the user's follow the list
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::WebBrowser1DownloadComplete()
{
    FDownloadComplete = true;
}

void TMainForm::ueberbtnClick()
{
    FDialogs->ExecModal(*AboutBox);
}

void TMainForm::endebtnClick()
{
    FCancel = true;
    close();
}

void TMainForm::wwwBtnClick()
{
    if (!OpenWebPage(QUrl(QString::fromUtf8(kMakerPage))))
        FDialogs->ShowError(this, QString::fromUtf8("Es konnte kein Webbrowser gestartet werden. Die Seite ist ") +
                                      QString::fromUtf8(kMakerPage));
}

}  // namespace vellumine
