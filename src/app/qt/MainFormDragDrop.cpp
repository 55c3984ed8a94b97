// Drag and drop: messages dragged out of the list arrive as .eml files
// (named as "eMails speichern" names them, with the date); a store folder
// or one of its .dbx files dropped on the window opens that store.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "output/SaveMessage.h"
#include "platform/FileAccess.h"
#include "render/qt/BrowserView.h"
#include "ui/Dialogs.h"

namespace vellumine {
namespace {

// The store folder a dropped address names: a folder as it is, a .dbx
// file by the folder it lies in; empty for anything else.
QString DroppedStoreFolder(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    const QFileInfo info(url.toLocalFile());
    if (info.isDir())
        return info.absoluteFilePath();
    if (info.isFile() && info.suffix().compare(QStringLiteral("dbx"), Qt::CaseInsensitive) == 0)
        return info.absolutePath();
    return {};
}

QString DroppedStoreFolder(const QMimeData& dropped)
{
    const QList<QUrl> urls = dropped.urls();
    return urls.size() == 1 ? DroppedStoreFolder(urls.first()) : QString();
}

}  // namespace

void TMainForm::BuildDragAndDrop()
{
    ListView1->setDragEnabled(true);
    ListView1->setDragDropMode(QAbstractItemView::DragOnly);
    ListView1->setDefaultDropAction(Qt::CopyAction);
    FListModel->MakeDragData = [this](const std::vector<int>& rows) { return DragDataFor(rows); };
    // A drop anywhere in the window reaches the window: the page takes none.
    WebBrowser1->setAcceptDrops(false);
    setAcceptDrops(true);
}

QMimeData* TMainForm::DragDataFor(const std::vector<int>& rows)
{
    // Each drag writes its files into a folder of its own inside the
    // window's temporary folder; they go when the window closes.
    const std::string folder = TempFolder() + "ziehen-" + std::to_string(++FDragCount) + "/";
    CreateFolders(folder);
    UniqueFileNamer names;
    QList<QUrl> urls;
    QStringList failures;
    for (const int row : rows) {
        const std::size_t index = FListModel->MessageIndexAt(row);
        if (index >= FMessages.size())
            continue;
        const Toe5_MessageInfo& info = FMessages[index];
        try {
            const std::string source = FReader.ReadMessageSource(FileOfMessage(index), info.SourceOffset);
            const CreatedFile file = SaveMessageAsEml(folder, source, HeaderFieldsOf(info), true, &names);
            urls << QUrl::fromLocalFile(QString::fromLocal8Bit(file.path.c_str()));
        } catch (const std::exception& e) {
            failures << QString::fromUtf8(e.what());
        }
    }
    if (!failures.isEmpty())  // nothing is left out silently
        FDialogs->ShowError(this, failures.join('\n'));
    if (urls.isEmpty())
        return nullptr;
    auto* drag = new QMimeData();
    drag->setUrls(urls);
    return drag;
}

bool TMainForm::OpenDroppedStore(const QMimeData& dropped)
{
    const QString folder = DroppedStoreFolder(dropped);
    if (folder.isEmpty() || FBusy)
        return false;
    Guarded([this, &folder] { OpenStore(folder.toStdString()); });
    return true;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!FBusy && !DroppedStoreFolder(*event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    if (OpenDroppedStore(*event->mimeData()))
        event->acceptProposedAction();
}

}  // namespace vellumine
