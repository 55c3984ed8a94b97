// The context menus of the message list and the folder tree (the preview's
// is the browser view's own), and the source window they open.

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTreeView>
#include <QTreeWidget>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "output/OutputFileName.h"
#include "render/qt/SourceForm.h"
#include "ui/Dialogs.h"

namespace vellumine {

void TMainForm::BuildContextMenus()
{
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Guarded([this, at] { ShowListMenu(ListView1->viewport()->mapToGlobal(at)); });
    });
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        Guarded([this, at] { ShowFolderMenu(TreeView1->itemAt(at), TreeView1->viewport()->mapToGlobal(at)); });
    });
}

QMenu* TMainForm::MakeListMenu()
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool any = FirstSelectedRow() >= 0;
    const auto add = [&](const QString& text, const QKeySequence& keys, void (TMainForm::*handler)()) {
        QAction* action = menu->addAction(text, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        action->setShortcut(keys);
        action->setEnabled(any);
        return action;
    };
    menu->setDefaultAction(add(QString::fromUtf8("Öffnen"), QKeySequence(Qt::Key_Return), &TMainForm::ListView1DblClick));
    menu->addSeparator();
    add(QStringLiteral("Drucken"), QKeySequence(Qt::CTRL | Qt::Key_P), &TMainForm::PrintBtnClick);
    add(QStringLiteral("Speichern"), QKeySequence(Qt::CTRL | Qt::Key_S), &TMainForm::SaveBtnClick);
    add(QStringLiteral("Exportieren"), QKeySequence(Qt::CTRL | Qt::Key_E), &TMainForm::ExportBtnClick);
    menu->addSeparator();
    AddAttachmentEntries(*menu);
    menu->addSeparator();
    add(QStringLiteral("Quelltext anzeigen"), QKeySequence(Qt::CTRL | Qt::Key_U), &TMainForm::ShowSourceClick);
    return menu;
}

void TMainForm::ShowListMenu(const QPoint& globalAt)
{
    MakeListMenu()->popup(globalAt);
}

QMenu* TMainForm::MakeFolderMenu(QTreeWidgetItem* item)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto folderIndex = item ? item->data(0, kFolderDataRole).toULongLong() : kSearchResultsIndex;
    const bool isFolder = folderIndex < FFolders.size();
    QAction* exportFolder = menu->addAction(QString::fromUtf8("Ordner exportieren…"), this, [this, item] {
        Guarded([this, item] {
            TreeView1->setCurrentItem(item);
            TreeView1Click();
            WaitForFolder();
            SelectAll();
            ExportBtnClick();
        });
    });
    exportFolder->setEnabled(isFolder && !FFolders[folderIndex].FileName.empty());
    QAction* search = menu->addAction(QStringLiteral("In diesem Ordner suchen"), this, [this, folderIndex] {
        Guarded([this, folderIndex] { SearchInFolder(folderIndex); });
    });
    search->setEnabled(isFolder);
    return menu;
}

void TMainForm::ShowFolderMenu(QTreeWidgetItem* item, const QPoint& globalAt)
{
    if (item)
        MakeFolderMenu(item)->popup(globalAt);
}

void TMainForm::SearchInFolder(std::size_t folderIndex)
{
    if (folderIndex >= FFolders.size())
        return;
    QString name = StoreTextToQString(FFolders[folderIndex].Name);
    name.remove('"');
    SearchEdit->setText(QStringLiteral("ordner:\"") + name + QStringLiteral("\" "));
    SearchEdit->setFocus(Qt::OtherFocusReason);
    SearchEdit->deselect();
    SearchEdit->end(false);
}

void TMainForm::WaitForFolder()
{
    while (FolderLoading())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
}

void TMainForm::ShowSourceClick()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const std::size_t index = FListModel->MessageIndexAt(row);
    if (index >= FMessages.size())
        return;
    const Toe5_MessageInfo& info = FMessages[index];
    const std::string source = FReader.ReadMessageSource(FileOfMessage(index), info.SourceOffset);
    const HeaderFields fields = HeaderFieldsOf(info);
    const std::string suggested = CandidateFileName(MakeBaseName(fields.subject, fields.dateText, true), -1, ".eml");
    const QString subject = FListModel->index(row, kColumnSubject).data().toString();
    SourceForm->ShowSource(QStringLiteral("Quelltext: ") + (subject.isEmpty() ? QStringLiteral("eMail Nachricht") : subject),
                           source, QString::fromLocal8Bit(suggested.c_str()));
    FDialogs->ExecModal(*SourceForm);
}

}  // namespace vellumine
