// A damaged folder file in the window: the notice above the list says how
// many of its messages can be read, and "Gerettete Nachrichten" under the
// folder scans the file for what its index no longer names, with the
// progress bar and cancel.

#include <QCoreApplication>
#include <QTreeView>
#include <algorithm>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "store/FolderRescue.h"

namespace vellumine {
namespace {

const char* const kRescuedFolderName = "Gerettete Nachrichten";

// What the notice adds once a scan of the folder's file has run.
std::string RescueSentence(const RescueReport& rescue)
{
    if (rescue.cancelled)
        return " Die Suche nach weiteren Nachrichten wurde abgebrochen.";
    std::string sentence = " Die Suche in der Datei hat " + std::to_string(rescue.Rescued()) +
                           " weitere Nachrichten gefunden, unter \u201e" + kRescuedFolderName + "\u201c";
    if (rescue.incomplete > 0)
        sentence += " (davon " + std::to_string(rescue.incomplete) + " unvollständig)";
    return sentence + ".";
}

}  // namespace

void TMainForm::ShowFolderNotice(const StoreReadReport& report, std::size_t folderIndex)
{
    if (report.Clean()) {
        FFolderNotice->hide();
        return;
    }
    std::string text = DamageSentence(report);
    if (const auto rescue = FRescues.find(folderIndex); rescue != FRescues.end())
        text += RescueSentence(rescue->second);
    else
        text += std::string(" Weitere Nachrichten findet vielleicht \u201e") + kRescuedFolderName + "\u201c.";
    FFolderNotice->setText(QString::fromStdString(text));
    FFolderNotice->show();
    // A wrapped label gets the height its lines need at the list's width.
    const int width = std::max(FFolderNotice->width(), ListView1->width());
    FFolderNotice->setMinimumHeight(FFolderNotice->heightForWidth(std::max(width - 24, 200)));
}

void TMainForm::AddRescueItem(QTreeWidgetItem* folderItem, std::size_t folderIndex)
{
    if (!folderItem)
        return;
    for (int i = 0; i < folderItem->childCount(); ++i)
        if (folderItem->child(i)->data(0, kFolderDataRole).toULongLong() == kRescuedMessagesIndex)
            return;
    auto* item = new QTreeWidgetItem;
    item->setText(0, QString::fromUtf8(kRescuedFolderName));
    item->setIcon(0, folderItem->icon(0));
    item->setData(0, kFolderDataRole, kRescuedMessagesIndex);
    item->setData(0, kRescuedFolderRole, static_cast<qulonglong>(folderIndex));
    folderItem->insertChild(0, item);
    folderItem->setExpanded(true);
}

void TMainForm::ShowRescuedMessages(std::size_t folderIndex)
{
    if (FBusy || folderIndex >= FFolders.size())
        return;
    FBusy = true;
    FCancel = false;
    CancelBtn->setEnabled(true);
    FCurrentFile = FFolders[folderIndex].FileName;
    FMessageFiles.clear();
    FListModel->SetSearchTexts(nullptr, nullptr);
    FListModel->SetMessages(nullptr, FSortColumn, FSortDescending);
    FMessages.clear();
    FFolderLoadWanted = 0;
    const unsigned generation = ++FListGeneration;
    std::vector<Toe5_MessageInfo> found;
    try {
        FolderRescue rescue(FReader, FCurrentFile);
        // Events are let through between the steps: the cancel button, and
        // a click elsewhere, which ends the scan.
        while (rescue.Step()) {
            SetProStatus(static_cast<int>(rescue.Progress() * 100));
            QCoreApplication::processEvents();
            if (FCancel || generation != FListGeneration)
                rescue.Cancel();
        }
        for (const RescuedMessage& message : rescue.Rescued())
            found.push_back(message.info);
        FRescues[folderIndex] = rescue.Report();
        if (generation == FListGeneration)
            ShowFolderNotice(rescue.Report().read, folderIndex);
    } catch (...) {
        BackToIdle();
        throw;
    }
    if (generation == FListGeneration) {
        FMessages = std::move(found);
        FListModel->SetMessages(&FMessages, FSortColumn, FSortDescending);
        ++FListGeneration;
    }
    BackToIdle();
    ListView1Change();
}

}  // namespace vellumine
