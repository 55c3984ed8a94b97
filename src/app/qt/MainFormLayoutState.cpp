// What the main window keeps between two starts (layout.txt beside
// options.dat): size, place and maximised state, the splitters, the column
// widths, the sort order, and the store and folder shown. The columns fit
// the list at start, "Betreff" taking what the others leave.

#include <QByteArray>
#include <algorithm>
#include <filesystem>
#include <QFontMetrics>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>

#include "app/LayoutState.h"
#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"

namespace vellumine {
namespace {

// The paperclip column: its 16-pixel icon and the cell's margins.
constexpr int kAttachmentColumnWidth = 28;

QByteArray FromBase64(const std::string& text)
{
    return QByteArray::fromBase64(QByteArray::fromStdString(text));
}

std::string ToBase64(const QByteArray& bytes)
{
    return bytes.toBase64().toStdString();
}

}  // namespace

std::string LastStoreFolder(const std::string& settingsDir)
{
    const std::string folder = ReadLayoutState(settingsDir + (settingsDir.empty() || settingsDir.back() == '/' ? "" : "/") +
                                               kLayoutFileName)
                                   .storeFolder;
    std::error_code error;
    return !folder.empty() && std::filesystem::is_directory(folder, error) ? folder : std::string();
}

std::string StoreFolderOf(const StoreLocation& location)
{
    std::string shown;
    std::string path;
    try {
        path = location.StoreFilePath(kFolderListFileName, shown);
    } catch (const std::exception&) {
        return {};  // the read of the store shows the error
    }
    const std::size_t slash = path.find_last_of('/');
    if (path.empty() || slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool NamesNoStore(const StoreLocation& location)
{
    std::string shown;
    try {
        return location.StoreFilePath(kFolderListFileName, shown).empty();
    } catch (const std::exception&) {
        return false;
    }
}

void TMainForm::RestoreLayout()
{
    const LayoutState state = ReadLayoutState(LayoutStateFile());
    if (!state.windowGeometry.empty() && restoreGeometry(FromBase64(state.windowGeometry)))
        FGeometryRestored = true;
    if (!state.treeSplitter.empty() && Splitter1->restoreState(FromBase64(state.treeSplitter)))
        FTreeWidthSet = true;  // the start width of the tree is not forced then
    FListPercent = state.listPercent.value_or(FListPercent);
    for (std::size_t column = 0; column < state.columnWidths.size() && column < FColumnWidths.size(); ++column)
        FColumnWidths[column] = state.columnWidths[column];
    FSortColumn = state.sortColumn.value_or(FSortColumn);
    FSortDescending = state.sortDescending.value_or(FSortDescending);
    ListView1->header()->setSortIndicator(FSortColumn, SortIndicatorFor(FSortDescending));
    // The folder comes back only in the store it belongs to.
    if (state.folderId && !FStoreFolder.empty() && state.storeFolder == FStoreFolder)
        FWantedFolderId = state.folderId;
}

void TMainForm::SaveLayout()
{
    LayoutState state;
    state.windowGeometry = ToBase64(saveGeometry());
    state.treeSplitter = ToBase64(Splitter1->saveState());
    state.listPercent = FListPercent;
    state.columnWidths.assign(FColumnWidths.begin(), FColumnWidths.end());
    state.sortColumn = FSortColumn;
    state.sortDescending = FSortDescending;
    state.storeFolder = FStoreFolder;
    if (const QTreeWidgetItem* item = TreeView1->currentItem()) {
        const auto folderIndex = item->data(0, kFolderDataRole).toULongLong();
        if (folderIndex < FFolders.size())
            state.folderId = FFolders[folderIndex].Id;
    }
    WriteLayoutState(LayoutStateFile(), state);
}

int TMainForm::DefaultColumnWidth(int column) const
{
    const QFontMetrics metrics(ListView1->font());
    const int dateWidth = metrics.horizontalAdvance(QStringLiteral("88.88.8888 88:88:88")) + 24;
    if (column == kColumnDate)
        return dateWidth;
    if (column == kColumnFolder)
        return metrics.horizontalAdvance(QStringLiteral("Posteingang")) + 24;
    if (column == kColumnAttachments)
        return kAttachmentColumnWidth;
    // Sender and recipient a quarter each of what the date leaves; the
    // subject stretches over the rest.
    const int folderWidth = FListModel->columnCount() > kColumnFolder ? DefaultColumnWidth(kColumnFolder) : 0;
    const int room = ListView1->viewport()->width() - dateWidth - folderWidth - kAttachmentColumnWidth;
    return std::max(metrics.horizontalAdvance(QStringLiteral("Von:")) + 40, room / 4);
}

void TMainForm::ApplyColumnLayout()
{
    QHeaderView* header = ListView1->header();
    FApplyingColumns = true;
    for (int column = 0; column < FListModel->columnCount(); ++column) {
        if (column == kColumnSubject) {
            header->setSectionResizeMode(column, QHeaderView::Stretch);
            continue;
        }
        if (column == kColumnAttachments) {  // as wide as its paperclip, whatever a layout file says
            header->setSectionResizeMode(column, QHeaderView::Fixed);
            header->resizeSection(column, kAttachmentColumnWidth);
            continue;
        }
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        const int kept = static_cast<std::size_t>(column) < FColumnWidths.size() ? FColumnWidths[static_cast<std::size_t>(column)] : 0;
        header->resizeSection(column, kept > 0 ? kept : DefaultColumnWidth(column));
    }
    FApplyingColumns = false;
}

void TMainForm::ColumnResized(int column, int newSize)
{
    // Only what the user drags is kept; the subject follows the others.
    if (FApplyingColumns || column == kColumnSubject || column == kColumnAttachments || !ListView1->isVisible())
        return;
    if (static_cast<std::size_t>(column) < FColumnWidths.size())
        FColumnWidths[static_cast<std::size_t>(column)] = newSize;
}

}  // namespace vellumine
