// A damaged folder file in the window: the notice above the list says how
// many of its messages can be read, and "Gerettete Nachrichten" under the
// folder scans the file for what its index no longer names, with the
// progress bar and cancel. An intact folder gets the item too when a scan
// off the window's thread finds messages its index no longer names.

#include <QCoreApplication>
#include <QFutureWatcher>
#include <QTreeWidgetItemIterator>
#include <QtConcurrent/QtConcurrentRun>
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

void TMainForm::StartRescueProbe(std::size_t folderIndex)
{
    if (folderIndex >= FFolders.size() || FFolders[folderIndex].FileName.empty() ||
        !FProbed.insert(folderIndex).second)
        return;
    ++FProbeRequest;
    FProbeFolder = folderIndex;
    FProbeCancel->store(true);  // the probe under way is for a folder no longer shown
    if (!FProbeRunning)
        RunRescueProbe();
}

void TMainForm::RunRescueProbe()
{
    if (!FProbeWatcher) {
        FProbeWatcher = new QFutureWatcher<RescueProbe>(this);
        connect(FProbeWatcher, &QFutureWatcher<RescueProbe>::finished, this,
                [this] { Guarded([this] { RescueProbeDone(); }); });
    }
    FProbeRunning = true;
    FProbeCancel = std::make_shared<std::atomic<bool>>(false);
    const auto reader = FProbeReader;
    const auto cancel = FProbeCancel;
    const std::string file = FFolders[FProbeFolder].FileName;
    const RescueProbe started{FProbeFolder, FProbeRequest, false};
    FProbeWatcher->setFuture(QtConcurrent::run([reader, cancel, file, started] {
        RescueProbe probe = started;
        try {
            FolderRescue rescue(*reader, file);
            while (rescue.Step())
                if (cancel->load())
                    rescue.Cancel();
            probe.found = !rescue.Report().cancelled && !rescue.Rescued().empty();
        } catch (const std::exception&) {
            // the folder's own read says what is wrong with the file
        }
        return probe;
    }));
}

void TMainForm::RescueProbeDone()
{
    FProbeRunning = false;
    if (FDestroying)
        return;
    const RescueProbe probe = FProbeWatcher->result();
    if (probe.request != FProbeRequest) {
        if (FProbeFolder < FFolders.size())
            RunRescueProbe();  // another folder was chosen meanwhile
        return;
    }
    if (!probe.found)
        return;
    for (QTreeWidgetItemIterator it(TreeView1); *it; ++it)
        if ((*it)->data(0, kFolderDataRole).toULongLong() == probe.folderIndex)
            AddRescueItem(*it, probe.folderIndex);
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
