// The "Postablage" menu: another store opened from its folder (the last
// five offered again), and the whole store migrated to mbox, Maildir or an
// .eml tree with the progress bar and cancel.

#include <QApplication>
#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "app/qt/MainForm.h"
#include "app/RecentStores.h"
#include "migrate/StoreMigration.h"
#include "app/qt/MigrateForm.h"
#include "ui/Dialogs.h"
#include "ui/FolderEdit.h"

namespace vellumine {

void TMainForm::FillStoreMenu()
{
    QMenu* menu = StoreMenu;
    menu->clear();
    menu->addAction(QString::fromUtf8("Postablage öffnen…"), this, [this] { Guarded([this] { OpenStoreClick(); }); });
    const auto recent = ReadRecentStores(RecentStoresFile());
    if (!recent.empty())
        menu->addSeparator();
    for (const std::string& folder : recent) {
        QAction* store = menu->addAction(QString::fromStdString(folder), this,
                                         [this, folder] { Guarded([this, folder] { OpenStore(folder); }); });
        store->setCheckable(true);
        store->setChecked(folder == FStoreFolder);  // the store shown now
    }
    menu->addSeparator();
    menu->addAction(QString::fromUtf8("Postablage exportieren…"), this,
                    [this] { Guarded([this] { MigrateStoreClick(); }); });
}

void TMainForm::OpenStoreClick()
{
    if (FBusy)
        return;
    const QString folder = FDialogs->ChooseFolder(this, QString::fromUtf8("Postablage öffnen"), QString());
    if (!folder.isEmpty())
        OpenStore(folder.toStdString());
}

void TMainForm::OpenStore(const std::string& folder)
{
    if (FBusy)
        return;
    const auto location = std::make_shared<FolderStoreLocation>(folder);
    FReader = StoreReader(location);
    // The workers keep the readers they started with; new ones read the new store.
    FPreviewReader = std::make_shared<StoreReader>(location);
    FFolderReader = std::make_shared<StoreReader>(location);
    FSearchReader = std::make_shared<StoreReader>(location);
    FSearchCancel->store(true);  // a search of the old store is dropped
    FSearchCancel = std::make_shared<std::atomic<bool>>(false);
    FPendingPreview.reset();
    FFolderLoadWanted = 0;
    FShownOffset = FLastShownOffset = -1;
    FShownFile.clear();
    FLastShownFile.clear();
    FStoreFolder = StoreFolderOf(*location);
    FNoStoreKnown = false;
    LoadStore();
}

void TMainForm::RememberStore(const std::string& folder)
{
    WriteRecentStores(RecentStoresFile(), WithRecentStore(ReadRecentStores(RecentStoresFile()), folder));
}

void TMainForm::MigrateStoreClick()
{
    if (FBusy)
        return;
    if (FDialogs->ExecModal(*MigrateForm) != QDialog::Accepted)
        return;
    const MigrationOptions options{MigrateForm->Format(), MigrateForm->DirectoryEdit->Text().toStdString(), false,
                                   MaildirHostName()};
    FBusy = true;
    FCancel = false;
    CancelBtn->setEnabled(true);
    MigrationCallbacks callbacks;
    callbacks.progress = [this](const std::string&, std::size_t, std::size_t, std::size_t done, std::size_t total) {
        SetProStatus(total ? static_cast<int>(done * 100 / total) : 100);
        QApplication::processEvents();
    };
    callbacks.cancelled = [this] { return FCancel; };
    try {
        const MigrationResult result = MigrateStore(FReader, FFolders, options, callbacks);
        const std::string report = WriteMigrationReport(result, options);
        SetProStatus(0);
        const QString where = QString::fromUtf8("\n\nBericht: ") + QString::fromStdString(report);
        if (FCloseRequested) {
            // the window closes when the run is over
        } else if (result.Complete()) {
            const auto messages = VerifiedMessages(result);
            const auto folders = result.folders.size();
            FDialogs->ShowInformation(
                this, QStringLiteral("Export beendet"),
                (messages == 1 ? QStringLiteral("Es wurde 1 Nachricht in ")
                               : QStringLiteral("Es wurden ") + QString::number(messages) + QStringLiteral(" Nachrichten in ")) +
                    QString::number(folders) + (folders == 1 ? QStringLiteral(" Ordner") : QStringLiteral(" Ordnern")) +
                    QString::fromUtf8(" übernommen und geprüft!") + where);
        } else {
            FDialogs->ShowError(this, QString::fromUtf8(result.cancelled
                                                            ? "Der Export wurde abgebrochen; nicht alle Nachrichten "
                                                              "wurden übernommen"
                                                            : "Die Übernahme ist nicht vollständig: nicht alles "
                                                              "konnte gelesen oder geprüft werden") +
                                          QStringLiteral(" (Bericht: ") + QString::fromStdString(report) + ")");
        }
    } catch (...) {
        BackToIdle();
        throw;
    }
    BackToIdle();
}

}  // namespace vellumine
