#include "AttachmentWindowTest.h"

#include <QMenu>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <filesystem>
#include <sys/stat.h>

#include "GuiFixture.h"
#include "StoreWriter.h"
#include "app/qt/MessageListModel.h"
#include "mime/Base64.h"
#include "platform/FileAccess.h"
#include "render/qt/BrowserView.h"

using namespace vellumine;
using namespace vellumine::testing;
namespace sw = vellumine::storewriter;

namespace {

// Bytes that a text conversion would change: NUL, CR LF, bytes above 127.
std::string FileBytes()
{
    std::string bytes = "Apfelkuchen\r\n";
    bytes += std::string("\0\xFF\xFE\n\r\0", 6);
    for (int i = 0; i < 600; ++i)
        bytes.push_back(static_cast<char>(i * 37));
    return bytes;
}

std::string MixedBody(const std::string& fileName, const std::string& bytes)
{
    return "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: text/plain\r\n\r\n"
           "hier das Rezept als Datei\r\n--m\r\nContent-Type: application/octet-stream; name=\"" + fileName +
           "\"\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename=\"" + fileName +
           "\"\r\n\r\n" + Base64EncodeStream(bytes) + "\r\n--m--\r\n";
}

int RowOf(TMainForm& form, const QString& subject)
{
    for (int row = 0; row < form.ListModel()->rowCount(); ++row)
        if (form.ListModel()->index(row, kColumnSubject).data().toString() == subject)
            return row;
    return -1;
}

// A store of one message with a file, shown in the preview.
struct ShownAttachment {
    GuiWorld world;
    TempFolder store;
    TempFolder target;
    std::unique_ptr<TMainForm> form;

    explicit ShownAttachment(const std::string& fileName = "apfelkuchen.txt")
    {
        WritePostStore(store.Path(), {JanuaryMail("Rezept", 1, MixedBody(fileName, FileBytes())),
                                      JanuaryMail("Ohne", 2, "\r\nnur Text\r\n")});
        form = world.OpenWindow(store.Path());
        ShowFolder(*form, "Post");
        SelectRow(*form, RowOf(*form, "Rezept"));
    }
};

// A click on the link as the reader makes it, with the mouse: the test's
// script (in a world of its own; the page's is off) finds where it is.
bool ClickLink(BrowserView& view, const QString& href)
{
    QVariant place;
    view.page()->runJavaScript(
        QStringLiteral("(function(){var a=document.querySelector('a[href=\"%1\"]'); if(!a) return '';"
                       "a.scrollIntoView(); var r=a.getBoundingClientRect(); return (r.left+r.width/2)+','+(r.top+r.height/2);})()")
            .arg(href),
        QWebEngineScript::ApplicationWorld, [&](const QVariant& v) { place = v; });
    if (!QTest::qWaitFor([&] { return place.isValid(); }, 5000))
        return false;
    const QStringList xy = place.toString().split(',');
    if (xy.size() != 2)
        return false;
    const QPoint at(qRound(xy[0].toDouble() * view.zoomFactor()), qRound(xy[1].toDouble() * view.zoomFactor()));
    QWidget* engine = view.focusProxy();
    if (!engine)
        return false;
    QTest::mouseClick(engine, Qt::LeftButton, {}, at);
    return true;
}

}  // namespace

void AttachmentWindowTest::paperclipMarksComeAfterTheListAndSortIt()
{
    GuiWorld world;
    TempFolder store;
    const std::string uuencoded = "\r\nAnbei das Rezept:\r\n\r\nbegin 644 rezept.txt\r\n#86)C\r\n`\r\nend\r\n";
    WritePostStore(store.Path(), {JanuaryMail("Text", 1, "Content-Type: text/plain\r\n\r\nHallo\r\n"),
                              JanuaryMail("Gemischt", 2, MixedBody("a.pdf", "%PDF")),
                              JanuaryMail("Alternativ", 3, "Content-Type: multipart/alternative; boundary=a\r\n\r\n--a\r\n"
                                                    "Content-Type: text/plain\r\n\r\nx\r\n--a--\r\n"),
                              JanuaryMail("Uralt", 4, uuencoded)});
    auto form = world.OpenWindow(store.Path());
    form->FMarkBatchSize = 1;  // each mark on its own, as in a large folder
    ShowFolder(*form, "Post");
    QCOMPARE(form->ListModel()->rowCount(), 4);
    QVERIFY(QTest::qWaitFor([&] { return !form->AttachmentMarksPending(); }, 10000));
    const struct {
        const char* subject;
        AttachmentMark mark;
    } expected[] = {{"Text", AttachmentMark::None},
                    {"Gemischt", AttachmentMark::Some},
                    {"Alternativ", AttachmentMark::None},
                    {"Uralt", AttachmentMark::Some}};
    for (const auto& e : expected) {
        const int row = RowOf(*form, e.subject);
        QVERIFY2(form->ListModel()->AttachmentMarkAt(row) == e.mark, e.subject);
        const QVariant icon = form->ListModel()->index(row, kColumnAttachments).data(Qt::DecorationRole);
        QCOMPARE(icon.isValid(), e.mark == AttachmentMark::Some);
    }
    const QAbstractItemModel& model = *form->ListModel();
    QCOMPARE(model.headerData(kColumnAttachments, Qt::Horizontal, Qt::ToolTipRole).toString(), QString("Anlagen"));
    QVERIFY(model.headerData(kColumnAttachments, Qt::Horizontal, Qt::DecorationRole).isValid());

    // Sorting by the paperclip: the ones with files first, newest first.
    form->ListView1ColumnClick(kColumnAttachments);
    QCOMPARE(form->ListModel()->index(0, kColumnSubject).data().toString(), QString("Uralt"));
    QCOMPARE(form->ListModel()->index(1, kColumnSubject).data().toString(), QString("Gemischt"));
    form->ListView1ColumnClick(kColumnAttachments);
    QCOMPARE(form->ListModel()->index(3, kColumnSubject).data().toString(), QString("Uralt"));

    // Another folder drops the marks; coming back finds them again, in the
    // order chosen (the list sorts by the paperclip once they are in).
    ShowFolder(*form, "Leer");
    QCOMPARE(form->ListModel()->AttachmentMarkAt(0), AttachmentMark::Unknown);
    ShowFolder(*form, "Post");
    QCOMPARE(form->ListModel()->AttachmentMarkAt(RowOf(*form, "Gemischt")), AttachmentMark::Unknown);
    QVERIFY(QTest::qWaitFor([&] { return !form->AttachmentMarksPending(); }, 10000));
    QCOMPARE(form->ListModel()->index(3, kColumnSubject).data().toString(), QString("Uralt"));
    QCOMPARE(form->ListModel()->AttachmentMarkAt(3), AttachmentMark::Some);
}

void AttachmentWindowTest::clickingAnEntrySavesItByteForByte()
{
    ShownAttachment shown;
    TMainForm& form = *shown.form;
    QVERIFY(WaitForPage(form));
    QVERIFY(ShownPage(form, shown.world).find("href=\"anlage:1\"") != std::string::npos);
    QCOMPARE(form.ShownAttachments().size(), std::size_t(1));
    const QUrl page = form.WebBrowser1->LocationURL();
    const std::string saved = shown.target.File("gespeichert.txt");
    shown.world.dialogs.chosenFile = QString::fromStdString(saved);

    QVERIFY(ClickLink(*form.WebBrowser1, "anlage:1"));
    QVERIFY(QTest::qWaitFor([&] { return std::filesystem::exists(saved); }, 10000));
    QCOMPARE(ReadFileBytes(saved).value_or(""), FileBytes());
    QVERIFY(shown.world.dialogs.modalTitles.contains("Anlage speichern unter"));
    QVERIFY2(shown.world.dialogs.proposedFiles.last().endsWith("/apfelkuchen.txt"),
             qPrintable(shown.world.dialogs.proposedFiles.last()));
    QCOMPARE(form.WebBrowser1->LocationURL(), page);  // the page stays where it is
    QVERIFY(shown.world.dialogs.errors.isEmpty());

    // The same name again: the file there stays, the user is told.
    sw::WriteFileBytes(saved, "meins");
    QVERIFY(ClickLink(*form.WebBrowser1, "anlage:1"));
    QVERIFY(QTest::qWaitFor([&] { return !shown.world.dialogs.errors.isEmpty(); }, 10000));
    QVERIFY2(shown.world.dialogs.errors.first().contains("gibt es schon"), qPrintable(shown.world.dialogs.errors.first()));
    QCOMPARE(ReadFileBytes(saved).value_or(""), std::string("meins"));
    // The next dialog starts in the folder used last.
    QVERIFY(shown.world.dialogs.proposedFiles.last().startsWith(QString::fromStdString(shown.target.Path())));

    // A link to an entry that is not there does nothing; cancelling writes nothing.
    const int asked = shown.world.dialogs.proposedFiles.size();
    QVERIFY(!ClickLink(*form.WebBrowser1, "anlage:7"));
    shown.world.dialogs.chosenFile.clear();
    form.SaveAttachmentAs(1);
    QTest::qWait(300);
    QCOMPARE(shown.world.dialogs.proposedFiles.size(), asked + 1);
    QCOMPARE(std::distance(std::filesystem::directory_iterator(shown.target.Path()), {}), 1);
}

void AttachmentWindowTest::allAttachmentsGoIntoAFolderBesideWhatIsThere()
{
    ShownAttachment shown("../Rezept: neu.txt");
    TMainForm& form = *shown.form;
    QVERIFY(WaitForPage(form));
    shown.world.dialogs.chosenFolder = QString::fromStdString(shown.target.Path());
    form.SaveAllAttachmentsClick();
    form.SaveAllAttachmentsClick();
    // Safe names, and the second run beside the first.
    const std::string first = shown.target.File(".._Rezept_ neu.txt");
    QVERIFY(!std::filesystem::exists(first));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(shown.target.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    QCOMPARE(names.size(), std::size_t(2));
    QVERIFY2(names[0].find('/') == std::string::npos && names[0][0] != '.', names[0].c_str());
    for (const auto& name : names)
        QCOMPARE(ReadFileBytes(shown.target.File(name)).value_or(""), FileBytes());
    QCOMPARE(shown.world.dialogs.information.size(), 2);
    QVERIFY(shown.world.dialogs.information.first().startsWith("Anlagen gespeichert|1 Anlage wurde"));

    // The list's menu offers it for the message shown, and nothing for one without files.
    QMenu* menu = form.MakeListMenu();
    QStringList texts;
    for (QAction* action : menu->actions())
        if (action->isEnabled())
            texts << action->text();
    delete menu;
    QVERIFY2(texts.contains(QString::fromUtf8("Alle Anlagen speichern…")), qPrintable(texts.join("|")));
    QVERIFY(texts.contains(QString::fromUtf8("Anlage speichern unter…")));
    SelectRow(form, RowOf(form, "Ohne"));
    QVERIFY(WaitForPage(form));
    QVERIFY(form.ShownAttachments().empty());
    form.SaveAllAttachmentsClick();
    QCOMPARE(shown.world.dialogs.information.size(), 2);
}

void AttachmentWindowTest::openingHandsAPrivateCopyToTheDesktop()
{
    ShownAttachment shown;
    TMainForm& form = *shown.form;
    QVERIFY(WaitForPage(form));
    QList<QUrl> opened;
    form.OpenWithDesktop = [&](const QUrl& url) {
        opened << url;
        return true;
    };
    form.OpenAttachment(1);
    form.OpenAttachment(1);
    QCOMPARE(opened.size(), 2);
    QVERIFY(opened[0] != opened[1]);  // each copy in a folder of its own, both with the name
    const std::string copy = opened[0].toLocalFile().toStdString();
    QVERIFY2(copy.rfind(form.TempFolder(), 0) == 0, copy.c_str());
    QCOMPARE(std::filesystem::path(copy).filename().string(), std::string("apfelkuchen.txt"));
    QCOMPARE(ReadFileBytes(copy).value_or(""), FileBytes());
    struct stat folder {}, file {};
    QCOMPARE(::stat(std::filesystem::path(copy).parent_path().c_str(), &folder), 0);
    QCOMPARE(folder.st_mode & 0777, 0700u);
    QCOMPARE(::stat(copy.c_str(), &file), 0);
    QCOMPARE(file.st_mode & 0111, 0u);  // never executable

    // No program for it: said in German.
    form.OpenWithDesktop = [](const QUrl&) { return false; };
    form.Guarded([&] { form.OpenAttachment(1); });
    QCOMPARE(shown.world.dialogs.errors.size(), 1);
    QVERIFY(shown.world.dialogs.errors.first().contains("apfelkuchen.txt"));

    // The copies go with the window.
    shown.form.reset();
    QVERIFY(!std::filesystem::exists(copy));
}

void AttachmentWindowTest::aMessageThatNoLongerReadsSavesNothing()
{
    ShownAttachment shown;
    TMainForm& form = *shown.form;
    QVERIFY(WaitForPage(form));
    // The folder file is overwritten after the page was shown.
    const std::string file = shown.store.File("Post.dbx");
    const auto size = std::filesystem::file_size(file);
    sw::WriteFileBytes(file, std::string(size, '\0'));
    const std::string saved = shown.target.File("x.txt");
    shown.world.dialogs.chosenFile = QString::fromStdString(saved);
    form.Guarded([&] { form.SaveAttachmentAs(1); });
    QCOMPARE(shown.world.dialogs.errors.size(), 1);
    QVERIFY2(shown.world.dialogs.errors.first().contains("nicht"), qPrintable(shown.world.dialogs.errors.first()));
    QVERIFY(!std::filesystem::exists(saved));
}
