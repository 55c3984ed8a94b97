// The attachments of the message the preview shows: a click on an entry of
// the page's list "Anlagen" or "Anlage speichern unter…" saves one under a
// name the user chooses, "Alle Anlagen speichern…" all of them into a
// folder, "Öffnen" hands a copy to the desktop. Files are read anew from
// the store as the preview reads them and never replace an existing file.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QUrl>
#include <sys/stat.h>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "mime/MailMessage.h"
#include "output/AttachmentFiles.h"
#include "platform/Error.h"
#include "render/AttachmentList.h"
#include "render/MessagePage.h"
#include "ui/Dialogs.h"

namespace vellumine {

// The message parsed once more, with its list "Anlagen" pointing into it.
struct TMainForm::ReadAttachment {
    std::unique_ptr<TMailMessage> message;
    std::vector<TAttachment> entries;
};

namespace {

std::string ToFilePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString FromFilePath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// A menu entry's text: "&" would mark a shortcut key.
QString EntryText(const TAttachment& entry)
{
    QString name = QString::fromStdString(entry.fileName);
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return name + QStringLiteral(" (") + QString::fromStdString(GermanByteSize(entry.size)) + QLatin1Char(')');
}

// The folder's own file list may have changed since the page was shown:
// the entry must still be the one the user saw.
const TAttachment& EntryNumbered(const std::vector<TAttachment>& entries, std::size_t number,
                                 const std::vector<TAttachment>& shown)
{
    if (number == 0 || number > entries.size() || number > shown.size() ||
        entries[number - 1].fileName != shown[number - 1].fileName)
        throw Error("Die Anlage ist in der Nachricht nicht mehr zu finden.");
    return entries[number - 1];
}

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

const std::vector<TAttachment>& TMainForm::ShownAttachments() const
{
    static const std::vector<TAttachment> none;
    return ShownMessageIndex() ? FShownAttachments : none;
}

std::optional<std::size_t> TMainForm::ShownMessageIndex() const
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return std::nullopt;
    const std::size_t index = FListModel->MessageIndexAt(row);
    if (index >= FMessages.size() || FMessages[index].SourceOffset != FAttachmentsOffset ||
        FileOfMessage(index) != FAttachmentsFile || FShownOffset != FAttachmentsOffset)
        return std::nullopt;
    return index;
}

TMainForm::ReadAttachment TMainForm::ReadShownAttachments()
{
    const auto index = ShownMessageIndex();
    if (!index)
        throw Error("Die Nachricht wird noch geladen; bitte versuchen Sie es gleich noch einmal.");
    const WaitCursor waiting;
    // A source that does not read whole raises its German error: nothing
    // is written then.
    const std::string source = FReader.ReadMessageSource(FileOfMessage(*index), FMessages[*index]);
    ReadAttachment read;
    read.message = ParseMessageSource(source);
    read.entries = ListAttachments(*read.message);
    return read;
}

void TMainForm::SaveAttachmentAs(std::size_t number)
{
    if (FBusy || number == 0 || number > ShownAttachments().size())
        return;
    const TAttachment& shown = FShownAttachments[number - 1];
    const QString folder = FAttachmentFolder.isEmpty() ? QDir::homePath() : FAttachmentFolder;
    const QString proposed =
        QDir(folder).filePath(QString::fromStdString(SafeAttachmentFileName(shown.fileName)));
    const QString chosen = FDialogs->ChooseSaveFile(this, QString::fromUtf8("Anlage speichern unter"), proposed);
    if (chosen.isEmpty())
        return;
    const ReadAttachment read = ReadShownAttachments();
    WriteAttachmentTo(EntryNumbered(read.entries, number, FShownAttachments), ToFilePath(chosen));
    FAttachmentFolder = QFileInfo(chosen).absolutePath();
}

void TMainForm::SaveAllAttachmentsClick()
{
    if (FBusy || ShownAttachments().empty())
        return;
    const QString start = FAttachmentFolder.isEmpty() ? QDir::homePath() : FAttachmentFolder;
    const QString chosen = FDialogs->ChooseFolder(this, QString::fromUtf8("Alle Anlagen speichern"), start);
    if (chosen.isEmpty())
        return;
    const ReadAttachment read = ReadShownAttachments();
    if (read.entries.size() != FShownAttachments.size())
        throw Error("Die Anlagen sind in der Nachricht nicht mehr zu finden.");
    UniqueFileNamer names;  // a taken name gets "_0", "_1": nothing is replaced
    const auto written = WriteAttachmentFiles(read.entries, ToFilePath(chosen), names);
    FAttachmentFolder = chosen;
    FDialogs->ShowInformation(this, QStringLiteral("Anlagen gespeichert"),
                              written.size() == 1
                                  ? QString::fromUtf8("1 Anlage wurde in „%1“ gespeichert.").arg(chosen)
                                  : QString::fromUtf8("%1 Anlagen wurden in „%2“ gespeichert.")
                                        .arg(written.size())
                                        .arg(chosen));
}

void TMainForm::OpenAttachment(std::size_t number)
{
    if (FBusy || number == 0 || number > ShownAttachments().size())
        return;
    const ReadAttachment read = ReadShownAttachments();
    const TAttachment& entry = EntryNumbered(read.entries, number, FShownAttachments);
    // A folder of its own per copy, inside the window's private temporary
    // folder (gone when the window closes): the file keeps its name. It is
    // written without execute permission and only handed to the desktop,
    // which opens it with the program chosen for its type.
    if (!FTempFolder)
        throw Error("Das temporäre Verzeichnis des Fensters fehlt");
    UniqueFileNamer names;
    const CreatedFile copy = WriteAttachmentFile(entry, FTempFolder->NewPrivateFolder("anlage-"), names);
    ::chmod(copy.path.c_str(), 0600);
    if (!OpenWithDesktop(QUrl::fromLocalFile(FromFilePath(copy.path))))
        throw Error(QString::fromUtf8("Für „%1“ ist kein Programm eingerichtet, das die Datei öffnet.")
                        .arg(QString::fromStdString(entry.fileName))
                        .toStdString());
}

void TMainForm::AddAttachmentEntries(QMenu& menu)
{
    const std::vector<TAttachment>& entries = ShownAttachments();
    const auto choice = [&](const QString& text, void (TMainForm::*handler)(std::size_t)) {
        if (entries.size() == 1) {
            menu.addAction(text, this, [this, handler] { Guarded([this, handler] { (this->*handler)(1); }); });
            return;
        }
        QMenu* sub = menu.addMenu(text);
        sub->menuAction()->setEnabled(!entries.empty());
        for (const TAttachment& entry : entries) {
            const std::size_t number = entry.number;
            sub->addAction(EntryText(entry), this,
                           [this, handler, number] { Guarded([this, handler, number] { (this->*handler)(number); }); });
        }
    };
    choice(QString::fromUtf8("Anlage öffnen"), &TMainForm::OpenAttachment);
    choice(QString::fromUtf8("Anlage speichern unter…"), &TMainForm::SaveAttachmentAs);
    menu.addAction(QString::fromUtf8("Alle Anlagen speichern…"), this, [this] { Guarded([this] { SaveAllAttachmentsClick(); }); })
        ->setEnabled(!entries.empty());
}

void TMainForm::AddPreviewAttachmentEntries(QMenu& menu, std::size_t number)
{
    if (ShownAttachments().empty())
        return;
    menu.addSeparator();
    if (number != 0 && number <= FShownAttachments.size()) {
        menu.addAction(QString::fromUtf8("Öffnen"), this, [this, number] { Guarded([this, number] { OpenAttachment(number); }); });
        menu.addAction(QString::fromUtf8("Anlage speichern unter…"), this,
                       [this, number] { Guarded([this, number] { SaveAttachmentAs(number); }); });
    }
    menu.addAction(QString::fromUtf8("Alle Anlagen speichern…"), this, [this] { Guarded([this] { SaveAllAttachmentsClick(); }); });
}

}  // namespace vellumine
