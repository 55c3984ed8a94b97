// The preview of the main window: the selected message is read and its page
// composed off the window's thread, so that a big message does not freeze
// the window; the previous page stays until the new one is ready, and a
// page whose message is no longer selected is dropped.

#include <QCheckBox>
#include <QFutureWatcher>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTreeView>
#include <QtConcurrent/QtConcurrentRun>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "platform/Error.h"
#include "platform/FileAccess.h"
#include "render/MessagePage.h"
#include "render/qt/BrowserView.h"
#include "render/qt/ShowMailForm.h"
#include "ui/Dialogs.h"
#include "ui/PlainText.h"

namespace vellumine {

void TMainForm::ListView1Change()
{
    if (FSelectingAll)
        return;
    if (FBusy) {
        // A run may be using the page and the temporary files: show the
        // selection once the run has ended.
        FPreviewDeferred = true;
        return;
    }
    const int row = FirstSelectedRow();
    if (row < 0) {
        if (!FDestroying) {
            FPendingPreview.reset();
            WebBrowser1->NavigateBlank();
            FShownOffset = -1;
            FShownFile.clear();
        }
        return;
    }
    const std::size_t index = FListModel->MessageIndexAt(row);
    if (index >= FMessages.size())
        return;
    const Toe5_MessageInfo& info = FMessages[index];
    const std::string file = FileOfMessage(index);
    if (info.SourceOffset == FShownOffset && file == FShownFile)
        return;
    // A message shown anew starts at its top: its page gets an address of
    // its own. The same message rendered again keeps its address and place.
    if (info.SourceOffset != FLastShownOffset || file != FLastShownFile)
        ++FPreviewSerial;
    FShownOffset = FLastShownOffset = info.SourceOffset;
    FShownFile = FLastShownFile = file;
    FPendingPreview = std::make_unique<PreviewRequest>(
        PreviewRequest{file, info.SourceOffset, info.Rescue, HeaderFieldsOf(info), ShowHead->isChecked(),
                       CurrentDesign()});
    StartPreview();
}

bool TMainForm::PreviewPending() const
{
    return FComposing != nullptr || FPendingPreview != nullptr;
}

void TMainForm::StartPreview()
{
    if (FComposing || !FPendingPreview)
        return;
    FComposing = std::move(FPendingPreview);
    if (!FPreviewWatcher) {
        FPreviewWatcher = new QFutureWatcher<PreviewResult>(this);
        connect(FPreviewWatcher, &QFutureWatcher<PreviewResult>::finished, this,
                [this] { Guarded([this] { PreviewComposed(); }); });
    }
    // The worker has a reader of its own: the window's reader serves the
    // list and the batch runs meanwhile.
    const auto reader = FPreviewReader;
    const PreviewRequest request = *FComposing;
    FPreviewWatcher->setFuture(QtConcurrent::run([reader, request] {
        PreviewResult result;
        try {
            Toe5_MessageInfo message;
            message.SourceOffset = request.offset;
            message.Rescue = request.rescue;
            const std::string source = reader->ReadMessageSource(request.file, message);
            result.page = ComposePreviewPage(source, request.fields, request.withDesign, request.design, true);
        } catch (const std::exception& e) {
            result.error = e.what();
        }
        return result;
    }));
}

void TMainForm::PreviewComposed()
{
    const std::unique_ptr<PreviewRequest> request = std::move(FComposing);
    const PreviewResult result = FPreviewWatcher->result();
    if (FPendingPreview) {  // another message was selected meanwhile
        StartPreview();
        return;
    }
    if (FDestroying || !request || request->offset != FShownOffset || request->file != FShownFile)
        return;
    if (FBusy) {  // a run started meanwhile: render when it has ended
        FPreviewDeferred = true;
        return;
    }
    if (!result.error.empty()) {
        FShownOffset = -1;  // selecting the message again tries again
        throw Error(result.error);
    }
    FTempFiles.DeleteTempFiles();
    CreateFolders(TempFolder());
    const std::string page = TempFolder() + "mail.htm";
    WritePreviewPage(result.page, page, TempFolder(), &FTempFiles);
    FShownAttachments = result.page.attachments;
    FAttachmentsOffset = request->offset;
    FAttachmentsFile = request->file;
    WebBrowser1->Navigate(QString::fromStdString(page), QString::number(FPreviewSerial));
}

void TMainForm::WaitForPreview()
{
    if (FPreviewWatcher)
        FPreviewWatcher->waitForFinished();
}

void TMainForm::ShowHeadClick()
{
    UpdateFieldBoxes();
    FShownOffset = -1;
    ListView1Change();
}

void TMainForm::UpdateFieldBoxes()
{
    // The header rows belong to the design: without it they choose nothing.
    for (QCheckBox* box : {voncheck, ancheck, datumcheck, betreffcheck})
        box->setEnabled(ShowHead->isChecked());
}

void TMainForm::DesignBoxChange()
{
    FShownOffset = -1;
    ListView1Change();
}

void TMainForm::ListView1DblClick()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const auto text = [&](int column) { return FListModel->index(row, column).data().toString(); };
    const QString subject = text(kColumnSubject);
    ShowMailForm->setWindowTitle(subject.isEmpty() ? QStringLiteral("eMail Nachricht") : PlainTitleText(subject));
    ShowMailForm->Edit1->setText(text(kColumnFrom));
    ShowMailForm->Edit2->setText(text(kColumnDate));
    ShowMailForm->Edit3->setText(text(kColumnTo));
    ShowMailForm->Edit4->setText(subject);
    ShowMailForm->WebBrowser1->NavigateUrl(WebBrowser1->LocationURL());
    FDialogs->ExecModal(*ShowMailForm);
    ShowMailForm->WebBrowser1->NavigateBlank();
}

}  // namespace vellumine
