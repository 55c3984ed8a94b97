// The batch runs of the main window: printing, saving and exporting the
// selected messages, with the busy guard, the cancel request, the progress
// bar and the completion box they share.

#include <QApplication>
#include <functional>
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
#include "output/BatchLoop.h"
#include "output/ExportMessage.h"
#include "output/SaveMessage.h"
#include "output/qt/ExportForm.h"
#include "output/qt/PagePrinter.h"
#include "platform/Error.h"
#include "platform/FileAccess.h"
#include "render/qt/BrowserView.h"
#include "ui/Dialogs.h"
#include "ui/FolderEdit.h"
#include "ui/ProgressPanel.h"

namespace vellumine {

// --- the frame ---

namespace {

// "2 Nachrichten konnten nicht gespeichert werden."
QString FailedSentence(qsizetype count, const std::string& participle)
{
    const QString verb = QString::fromStdString(participle);
    return count == 1 ? QStringLiteral("1 Nachricht konnte nicht ") + verb + QStringLiteral(" werden.")
                      : QString::number(count) + QStringLiteral(" Nachrichten konnten nicht ") + verb +
                            QStringLiteral(" werden.");
}

// One line of the details list: which message, and why.
QString FailureLine(const Toe5_MessageInfo& info, const std::string& error)
{
    const QString subject = StoreTextToQString(info.Subject);
    return (subject.isEmpty() ? QStringLiteral("(ohne Betreff)") : subject) + QStringLiteral(": ") +
           QString::fromUtf8(error);
}

}  // namespace

void TMainForm::SetProStatus(int percent)
{
    FProgress = percent;
    StatusPanel1->SetPercent(percent);
    // Painting at once costs more than a short message takes to handle: the
    // panel is painted at most about 30 times a second, and always at 0 and
    // 100 percent. A bar that has not moved is not painted again: in a window
    // with the message page each paint is a flush of the whole window, which
    // under software rendering on a busy machine holds the window for tenths
    // of a second.
    if (StatusPanel1->Percent() == StatusPanel1->PaintedPercent())
        return;
    constexpr qint64 kPaintIntervalMs = 33;
    const bool endPoint = percent == 0 || percent == 100;
    if (!endPoint && FProgressClock.isValid() && FProgressClock.elapsed() < kPaintIntervalMs)
        return;
    FProgressClock.restart();
    const bool shorter = StatusPanel1->Percent() < StatusPanel1->PaintedPercent();
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
    if (FSearchRunning)
        FSearchCancel->store(true);  // the index build stops; the folder files it finished stay
}

int TMainForm::SelectedCount() const
{
    return static_cast<int>(ListView1->selectionModel()->selectedRows().size());
}

void TMainForm::BackToIdle()
{
    SetProStatus(0);
    CancelBtn->setEnabled(FSearchRunning);
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
        std::vector<std::string> files;
        for (int row = 0; row < FListModel->rowCount(); ++row) {
            const std::size_t index = FListModel->MessageIndexAt(row);
            if (ListView1->selectionModel()->isRowSelected(row, QModelIndex()) && index < FMessages.size()) {
                messages.push_back(FMessages[index]);
                files.push_back(FileOfMessage(index));
            }
        }
        const unsigned generation = FListGeneration;
        // A folder chosen while the run lets events through refills the
        // list: the walk ends there.
        const auto listChanged = [&] { return generation != FListGeneration; };
        BatchCallbacks callbacks;
        callbacks.handle = run.handleMessage;
        FailureChoice answer = FailureChoice::Continue;
        QStringList failures;
        callbacks.failed = [&](const Toe5_MessageInfo& info, const std::string& error) {
            if (!run.oneFailsAlone)
                throw Error(error);  // the run ends with the error box
            // One question at the first failure; the rest are collected for
            // the end, so a run never piles up one box per message.
            if (failures.isEmpty())
                answer = FDialogs->AskAfterFailure(this, run.caption, QString::fromUtf8(error));
            failures << FailureLine(info, error);
            if (answer == FailureChoice::Cancel)
                FCancel = true;
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
        const BatchOutcome outcome =
            RunMessageBatch(FReader, [&](std::size_t index) { return files[index]; }, messages, callbacks);
        const std::size_t done = outcome.handled;
        SetProStatus(0);
        const QString sentence = QString::fromStdString(CompletionSentence(done, run.participle));
        if (FCloseRequested) {
            // a run ended by closing the window closes without its box
        } else if (failures.isEmpty()) {
            FDialogs->ShowInformation(this, run.caption, sentence);
        } else {
            FDialogs->ShowSummary(this, run.caption, sentence + "\n" + FailedSentence(failures.size(), run.participle),
                                  failures.join('\n'));
        }
        if (run.finish)
            run.finish();
        if (!outcome.changedFile.empty())
            throw Error(ChangedFileSentence(outcome.changedFile));
    } catch (...) {
        BackToIdle();
        throw;
    }
    BackToIdle();
}

// --- printing ---

void TMainForm::PrintBtnClick()
{
    QUrl remembered;
    // A layout chosen in the page set-up dialog wins over the first run's.
    PagePrinter printer(*WebBrowser1, PrintSettings{TempFolder(), &FTempFiles, CurrentDesign(), FPageLayout,
                                                    PrinterFactory, FPageWaitMilliseconds});
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
        [&](const std::string& source, const Toe5_MessageInfo& info) {
            printer.PrintMessage(source, HeaderFieldsOf(info));
        },
        false,
        nullptr,
        [&] { WebBrowser1->NavigateUrl(remembered); },
        "gedruckt",
        QStringLiteral("Drucken beendet")});
}

void TMainForm::PrinterSetupBtnClick()
{
    std::unique_ptr<QPrinter> printer = PrinterFactory ? PrinterFactory() : nullptr;
    if (!printer)
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    // The dialog opens with the margins a print would use now, so that OK
    // without a change keeps them instead of the printer's few millimetres.
    printer->setPageLayout(FPageLayout.isValid() ? FPageLayout
                                                 : FirstRunPageLayout(*printer, CurrentDesign().templatePath));
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

bool TMainForm::AskTargetFolder(bool forExport, std::string& folder)
{
    ExportForm->TXTCheck->setEnabled(forExport);  // the text format is an export's choice only
    ExportForm->RawTextCheck->setEnabled(forExport);
    ExportForm->AttachmentsCheck->setEnabled(forExport);  // an .eml file holds its attachments already
    if (FDialogs->ExecModal(*ExportForm) != QDialog::Accepted)
        return false;
    folder = ChosenTargetFolder();
    CreateFolders(folder);  // a folder that cannot be made shows in every file
    return true;
}

void TMainForm::SaveBtnClick()
{
    std::string folder;
    UniqueFileNamer names;
    RunBatch(BatchRun{
        [&] { return AskTargetFolder(false, folder); },
        [&](const std::string& source, const Toe5_MessageInfo& info) {
            SaveMessageAsEml(folder, source, HeaderFieldsOf(info), ExportForm->datecheck->isChecked(), &names);
        },
        true,  // one message fails alone; the run goes on
        nullptr, nullptr, "gespeichert", QStringLiteral("Speichern beendet")});
}

void TMainForm::ExportBtnClick()
{
    std::string folder;
    UniqueFileNamer names;
    RunBatch(BatchRun{
        [&] { return AskTargetFolder(true, folder); },
        [&](const std::string& source, const Toe5_MessageInfo& info) {
            const ExportFormat format = ExportForm->AllHTMLCheck->isChecked() ? ExportFormat::AllHtml
                                        : ExportForm->TXTCheck->isChecked()   ? ExportFormat::AllText
                                                                              : ExportFormat::Mixed;
            ExportMessageFile(folder, source, HeaderFieldsOf(info),
                              ExportOptions{format, ExportForm->datecheck->isChecked(), ShowHead->isChecked(),
                                            CurrentDesign(), ExportForm->RawTextCheck->isChecked(),
                                            ExportForm->AttachmentsCheck->isChecked()},
                              &names);
        },
        true,  // one message fails alone; the run goes on
        [] { QApplication::processEvents(); }, nullptr, "exportiert", QStringLiteral("Export beendet")});
}

}  // namespace vellumine
