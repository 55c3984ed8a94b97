// The batch runs of the main window: printing, saving and exporting the
// selected messages, with the busy guard, the cancel request, the progress
// bar and the completion box they share.

#include <QApplication>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QCheckBox>
#include <QToolButton>
#include <QTreeView>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "mime/MailMessage.h"
#include "output/BatchLoop.h"
#include "output/ExportMessage.h"
#include "output/SaveMessage.h"
#include "output/qt/ExportForm.h"
#include "output/qt/PagePrinter.h"
#include "platform/Error.h"
#include "platform/FileAccess.h"
#include "render/MessagePage.h"
#include "render/qt/BrowserView.h"
#include "ui/Dialogs.h"
#include "ui/FolderEdit.h"
#include "ui/ProgressPanel.h"

namespace vellumine {

// --- the frame ---

void TMainForm::SetProStatus(int percent)
{
    FProgress = percent;
    StatusPanel1->SetPercent(percent);
    // Painting at once costs more than a short message takes to handle: the
    // panel is painted at most about 30 times a second, and always at 0 and
    // 100 percent.
    constexpr qint64 kPaintIntervalMs = 33;
    const bool endPoint = (percent == 0 || percent == 100) && percent != FPaintedProgress;
    if (!endPoint && FProgressClock.isValid() && FProgressClock.elapsed() < kPaintIntervalMs)
        return;
    FProgressClock.restart();
    const bool shorter = percent < FPaintedProgress;
    FPaintedProgress = percent;
    if (shorter)
        statusBar()->repaint();  // the shorter bar on a cleared panel
    else
        SBarPaintMore();
}

void TMainForm::SBarPaintMore()
{
    FProgressRect = StatusPanel1->geometry();
    StatusPanel1->repaint();  // at once: a save run does not return to the event loop
}

void TMainForm::CancelBtnClick()
{
    FCancel = true;
}

int TMainForm::SelectedCount() const
{
    return static_cast<int>(ListView1->selectionModel()->selectedRows().size());
}

void TMainForm::BackToIdle()
{
    SetProStatus(0);
    CancelBtn->setEnabled(false);
    FBusy = false;
    if (FCloseRequested) {
        FCloseRequested = false;
        FPreviewDeferred = false;
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    if (FPreviewDeferred) {
        FPreviewDeferred = false;
        FShownOffset = -1;
        Guarded([this] { ListView1Change(); });
    }
}

void TMainForm::RunBatch(const BatchRun& run)
{
    if (FBusy)
        return;
    FBusy = true;
    FCancel = false;
    CancelBtn->setEnabled(true);
    try {
        if (SelectedCount() == 0 || !run.prepare()) {
            BackToIdle();
            return;
        }
        // The selected messages in list order, copied: events may refill the list.
        std::vector<Toe5_MessageInfo> messages;
        for (int row = 0; row < FListModel->rowCount(); ++row) {
            const std::size_t index = FListModel->MessageIndexAt(row);
            if (ListView1->selectionModel()->isRowSelected(row, QModelIndex()) && index < FMessages.size())
                messages.push_back(FMessages[index]);
        }
        const unsigned generation = FListGeneration;
        // A folder chosen while the run lets events through refills the
        // list: the walk ends there.
        const auto listChanged = [&] { return generation != FListGeneration; };
        BatchCallbacks callbacks;
        callbacks.handle = run.handleMessage;
        callbacks.failed = [&](const Toe5_MessageInfo& info, const std::string& error) {
            if (run.messageFailed)
                run.messageFailed(info, error);
            else
                throw Error(error);  // the run ends with the error box
        };
        callbacks.progress = [&](std::size_t handled, std::size_t) {
            SetProStatus(static_cast<int>(handled * 100 / messages.size()));
        };
        callbacks.cancelled = [&] {
            if (FCancel || listChanged())
                return true;
            if (run.beforeEach)
                run.beforeEach();
            return listChanged();
        };
        const std::size_t done = RunMessageBatch(FReader, FCurrentFile, messages, callbacks).handled;
        SetProStatus(0);
        if (!FCloseRequested)  // a run ended by closing the window closes without its box
            FDialogs->ShowInformation(this, run.caption,
                                      QStringLiteral("Es wurden ") + QString::number(done) + run.tail);
        if (run.finish)
            run.finish();
    } catch (...) {
        BackToIdle();
        throw;
    }
    BackToIdle();
}

void TMainForm::WaitWhile(const std::function<bool()>& pending, int timeoutMilliseconds, const char* failure)
{
    QElapsedTimer clock;
    clock.start();
    while (pending()) {
        if (clock.elapsed() > timeoutMilliseconds)
            throw Error(failure);
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

// --- printing ---

void TMainForm::PrintMessage(const std::string& source, const Toe5_MessageInfo& info)
{
    WebBrowser1->NavigateBlank();
    FDownloadComplete = false;
    const std::string page = TempFolder() + "print.htm";
    ComposeMessagePage(source, HeaderFieldsOf(info),
                       PageRequest{page, TempFolder(), true, CurrentDesign(), &FTempFiles});
    const QUrl pageUrl = QUrl::fromLocalFile(QString::fromStdString(page));
    WebBrowser1->Navigate(QString::fromStdString(page));
    WaitWhile([&] { return !(FDownloadComplete && WebBrowser1->LastLoadedUrl() == pageUrl); },
              FPageWaitMilliseconds, "Die Druckseite konnte nicht geladen werden. Der Druck wurde abgebrochen");
    if (WebBrowser1->Busy())  // an earlier print that never finished still uses its printer
        throw Error("Der Drucker ist noch mit der vorigen Seite beschäftigt");
    FPrinter = PrinterFactory ? PrinterFactory() : nullptr;
    if (!FPrinter)
        throw Error("Es ist kein Drucker eingerichtet");
    // A layout chosen in the page set-up dialog wins over the first run's.
    const QPageLayout layout = FPageLayout.isValid() ? FPageLayout
                                                     : FirstRunPageLayout(*FPrinter, CurrentDesign().templatePath);
    WebBrowser1->Print(FPrinter.get(), layout);
    WaitWhile([&] { return WebBrowser1->Busy(); }, 10 * FPageWaitMilliseconds,
              "Der Drucker hat die Seite nicht angenommen");
    FPrinter.reset();
}

void TMainForm::PrintBtnClick()
{
    QUrl remembered;
    RunBatch(BatchRun{
        [&] {
            if (!PrinterFactory || !PrinterFactory()) {
                FDialogs->ShowError(this, QStringLiteral("Es ist kein Drucker eingerichtet. Bitte richten Sie "
                                                         "zuerst einen Drucker ein"));
                return false;
            }
            remembered = WebBrowser1->LocationURL();
            CreateFolders(TempFolder());
            return true;
        },
        [&](const std::string& source, const Toe5_MessageInfo& info) { PrintMessage(source, info); },
        nullptr,
        nullptr,
        [&] { WebBrowser1->NavigateUrl(remembered); },
        QStringLiteral(" Nachrichten gedruckt!"),
        QStringLiteral("Drucken beendet")});
}

void TMainForm::PrinterSetupBtnClick()
{
    std::unique_ptr<QPrinter> printer = PrinterFactory ? PrinterFactory() : nullptr;
    if (!printer)
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (FPageLayout.isValid())
        printer->setPageLayout(FPageLayout);
    QPageSetupDialog dialog(printer.get(), this);
    if (FDialogs->ExecModal(dialog) == QDialog::Accepted)
        FPageLayout = printer->pageLayout();
}

// --- saving and exporting ---

std::string TMainForm::ChosenTargetFolder() const
{
    std::string folder = ExportForm->DirectoryEdit1->Text().toStdString();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool TMainForm::AskTargetFolder(bool forExport, std::string& folder, std::string& storeFile)
{
    ExportForm->TXTCheck->setEnabled(forExport);  // the text format is an export's choice only
    ExportForm->RawTextCheck->setEnabled(forExport);
    if (FDialogs->ExecModal(*ExportForm) != QDialog::Accepted)
        return false;
    folder = ChosenTargetFolder();
    storeFile = FCurrentFile;
    CreateFolders(folder);  // a folder that cannot be made shows in every file
    return true;
}

void TMainForm::SaveBtnClick()
{
    // One message that cannot be written shows its box; the run goes on.
    const auto showFileError = [this](const Toe5_MessageInfo&, const std::string& error) {
        FDialogs->ShowFileError(this, QString::fromUtf8(error));
    };
    std::string folder, storeFile;
    UniqueFileNamer names;
    RunBatch(BatchRun{
        [&] { return AskTargetFolder(false, folder, storeFile); },
        [&](const std::string& source, const Toe5_MessageInfo& info) {
            SaveMessageAsEml(folder, source, HeaderFieldsOf(info), ExportForm->datecheck->isChecked(), &names);
        },
        showFileError,
        nullptr, nullptr, QStringLiteral(" Nachrichten gespeichert!"), QStringLiteral("Speichern beendet")});
}

void TMainForm::ExportBtnClick()
{
    const auto showFileError = [this](const Toe5_MessageInfo&, const std::string& error) {
        FDialogs->ShowFileError(this, QString::fromUtf8(error));
    };
    std::string folder, storeFile;
    UniqueFileNamer names;
    RunBatch(BatchRun{
        [&] { return AskTargetFolder(true, folder, storeFile); },
        [&](const std::string& source, const Toe5_MessageInfo& info) {
            const ExportFormat format = ExportForm->AllHTMLCheck->isChecked() ? ExportFormat::AllHtml
                                        : ExportForm->TXTCheck->isChecked()   ? ExportFormat::AllText
                                                                              : ExportFormat::Mixed;
            ExportMessageFile(folder, source, HeaderFieldsOf(info),
                              ExportOptions{format, ExportForm->datecheck->isChecked(), ShowHead->isChecked(),
                                            CurrentDesign(), ExportForm->RawTextCheck->isChecked()},
                              &names);
        },
        showFileError,
        [] { QApplication::processEvents(); }, nullptr, QStringLiteral(" Nachrichten exportiert!"),
        QStringLiteral("Export beendet")});
}

}  // namespace vellumine
