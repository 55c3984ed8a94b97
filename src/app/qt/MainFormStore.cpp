// The "Postablage" menu: another store opened from its folder (the last
// five offered again), and the whole store migrated to Thunderbird's
// folders, mbox, Maildir or an .eml tree on a worker, with the progress bar,
// cancel, and the table at the end.

#include <QApplication>
#include <QEventLoop>
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <thread>

#include "app/qt/MainForm.h"
#include "app/RecentStores.h"
#include "migrate/StoreMigration.h"
#include "app/qt/MigrateForm.h"
#include "app/qt/MigrateResultForm.h"
#include "ui/Dialogs.h"
#include "ui/FolderEdit.h"
#include "ui/PlainText.h"

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
        QAction* store = menu->addAction(PlainMenuText(QString::fromStdString(folder)), this,
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
    FProbeReader = std::make_shared<StoreReader>(location);
    FMarkReader = std::make_shared<StoreReader>(location);
    FProbeCancel->store(true);  // a probe of the old store is dropped
    ++FProbeRequest;
    FSearchReader = std::make_shared<StoreReader>(location);
    FMigrationReader = std::make_shared<StoreReader>(location);
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

namespace {

// What the migration's worker hands back to the window.
struct MigrationRun {
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    MigrationResult result;
    std::string report;       // the report's path
    std::string reportError;  // why it could not be written
    std::string error;        // why the run could not start
};

// The whole run off the window's thread: the migration, its read-back and
// the report, so that the window never waits for the disk.
void RunMigration(MigrationRun& run, StoreReader& reader, const std::vector<Toe5_FolderInfo>& folders,
                  const MigrationOptions& options)
{
    try {
        MigrationCallbacks callbacks;
        callbacks.progress = [&run](const std::string&, std::size_t, std::size_t, std::size_t done, std::size_t total) {
            run.total = total;
            run.done = done;
        };
        callbacks.cancelled = [&run] { return run.cancel.load(); };
        run.result = MigrateStore(reader, folders, options, callbacks);
        try {
            run.report = WriteMigrationReport(run.result, options);
        } catch (const std::exception& e) {
            run.reportError = e.what();
        }
    } catch (const std::exception& e) {
        run.error = e.what();
    }
    run.finished = true;
}

QString MigrationSummary(const MigrationRun& run)
{
    const MigrationResult& result = run.result;
    if (!result.stopped.empty())
        return QString::fromStdString(result.stopped);
    if (result.cancelled)
        return QString::fromUtf8("Der Export wurde abgebrochen; nicht alle Nachrichten wurden übernommen");
    if (!result.Complete())
        return QString::fromUtf8("Die Übernahme ist nicht vollständig: nicht alles konnte gelesen, geschrieben oder "
                                 "geprüft werden");
    const auto messages = VerifiedMessages(result);
    const auto folders = result.folders.size();
    return (messages == 1 ? QStringLiteral("Es wurde 1 Nachricht in ")
                          : QStringLiteral("Es wurden ") + QString::number(messages) + QStringLiteral(" Nachrichten in ")) +
           QString::number(folders) + (folders == 1 ? QStringLiteral(" Ordner") : QStringLiteral(" Ordnern")) +
           QString::fromUtf8(" übernommen und geprüft!");
}

}  // namespace

void TMainForm::RememberStore(const std::string& folder)
{
    WriteRecentStores(RecentStoresFile(), WithRecentStore(ReadRecentStores(RecentStoresFile()), folder));
}

void TMainForm::MigrateStoreClick()
{
    if (FBusy)
        return;
    MigrateForm->RefreshTarget();
    if (FDialogs->ExecModal(*MigrateForm) != QDialog::Accepted)
        return;
    MigrationOptions options{MigrateForm->Format(), MigrateForm->DirectoryEdit->Text().toStdString(),
                             MigrateForm->Resume(), MaildirHostName()};
    options.salvage = MigrateForm->Salvage();
    FBusy = true;
    FCancel = false;
    CancelBtn->setEnabled(true);
    auto run = std::make_shared<MigrationRun>();
    std::thread worker([run, reader = FMigrationReader, folders = FFolders, options] {
        RunMigration(*run, *reader, folders, options);
    });
    // The window goes on while the worker runs; the progress bar follows
    // about 30 times a second, and cancel (or closing) reaches the worker.
    QEventLoop waiting;
    const QMetaObject::Connection cancelNow =
        connect(CancelBtn, &QAbstractButton::clicked, this, [run] { run->cancel = true; });
    QTimer poll;
    poll.setInterval(33);
    connect(&poll, &QTimer::timeout, this, [&] {
        run->cancel = FCancel;
        const std::size_t total = run->total;
        if (total > 0 && !run->finished)
            SetProStatus(static_cast<int>(run->done * 100 / total));
        if (run->finished)
            waiting.quit();
    });
    poll.start();
    waiting.exec();
    worker.join();
    disconnect(cancelNow);
    SetProStatus(100);
    const bool closing = FCloseRequested;
    BackToIdle();
    if (closing)
        return;  // the window closes now that the run is over
    if (!run->error.empty()) {
        FDialogs->ShowError(this, QString::fromStdString(run->error));
        return;
    }
    QString table = QString::fromStdString(MigrationTable(run->result));
    table += run->report.empty()
                 ? QString::fromUtf8("Der Bericht konnte nicht geschrieben werden: ") + QString::fromStdString(run->reportError)
                 : QString::fromUtf8("Bericht: ") + QString::fromStdString(run->report);
    MigrateResultForm->ShowResult(MigrationSummary(*run), table, QString::fromStdString(run->report));
    FDialogs->ExecModal(*MigrateResultForm);
}

}  // namespace vellumine
