#include "GuiFixture.h"

#include <QItemSelectionModel>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>

#include "StoreWriter.h"
#include "app/qt/MessageListModel.h"
#include "platform/FileAccess.h"
#include "render/qt/BrowserView.h"

namespace vellumine::testing {
namespace {

namespace sw = storewriter;

sw::StoreRecordDescription Mail(const std::string& from, const std::string& subject, std::uint64_t date,
                                const std::string& body)
{
    sw::MessageDescription m;
    m.sender = from;
    m.recipient = "Anna";
    m.subject = subject;
    m.date = date;
    m.source = "From: " + from + "\r\nSubject: " + subject + "\r\nContent-Type: text/plain\r\n\r\n" + body + "\r\n";
    return sw::MessageRecord(m);
}

// An HTML message with two images embedded by Content-ID.
sw::StoreRecordDescription ImageMail()
{
    sw::MessageDescription m;
    m.sender = "Carla";
    m.recipient = "Anna";
    m.subject = "Bilder";
    m.date = sw::FileTimeFromUtc(2003, 1, 1);
    const std::string navy = "iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAIAAACQkWg2AAAAFUlEQVR42mNgYGggEY1qGNUwbDUAAI59gAFyCdzUAAAAAElFTkSuQmCC";
    const std::string red = "iVBORw0KGgoAAAANSUhEUgAAABAAAAAQCAIAAACQkWg2AAAAFklEQVR42mM4oaFBEmIY1TCqYfhqAAB8MxgQ+iSj5QAAAABJRU5ErkJggg==";
    m.source = "From: Carla\r\nSubject: Bilder\r\nContent-Type: multipart/related; boundary=r\r\n\r\n"
               "--r\r\nContent-Type: text/html\r\n\r\n<p>Zwei Bilder</p><img src=\"cid:eins@x\" width=100 height=100>"
               "<img src=\"cid:zwei@x\" width=120 height=60>\r\n"
               "--r\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <eins@x>\r\n\r\n" + navy +
               "\r\n--r\r\nContent-Type: image/png\r\nContent-Transfer-Encoding: base64\r\nContent-ID: <zwei@x>\r\n\r\n" +
               red + "\r\n--r--\r\n";
    return sw::MessageRecord(m);
}

void WriteStore(const std::string& folder)
{
    using sw::FileTimeFromUtc;
    const auto write = [&](const std::string& name, const std::vector<sw::StoreRecordDescription>& records) {
        sw::WriteFileBytes(folder + "/" + name, sw::BuildStoreFile(records).bytes);
    };
    write("folders.dbx", {sw::FolderRecord({.id = 5, .parentId = 0, .name = "Archiv", .fileName = "Archiv.dbx"}),
                          sw::FolderRecord({.id = 0, .parentId = -1, .name = "Lokale Ordner", .fileName = ""}),
                          sw::FolderRecord({.id = 2, .parentId = 0, .name = "Posteingang", .fileName = "Posteingang.dbx", .special = true}),
                          sw::FolderRecord({.id = 1, .parentId = 0, .name = "Postausgang", .fileName = "Postausgang.dbx", .special = true}),
                          sw::FolderRecord({.id = 6, .parentId = 5, .name = "Urlaub", .fileName = "fehlt.dbx"}),
                          sw::FolderRecord({.id = 7, .parentId = 5, .name = "Zehn", .fileName = "Zehn.dbx"})});
    std::vector<sw::StoreRecordDescription> ten;
    for (int i = 0; i < 10; ++i) {
        const bool same = i >= 7;  // three messages with one subject and one date
        ten.push_back(Mail("Absender " + std::to_string(i), same ? "S" : "Nachricht " + std::to_string(i),
                           same ? FileTimeFromUtc(2004, 2, 1) : FileTimeFromUtc(2004, 1, 1 + i), "Text " + std::to_string(i)));
    }
    ten.push_back(ImageMail());
    write("Zehn.dbx", ten);
    write("Posteingang.dbx",
          {Mail("carla", "Birne", FileTimeFromUtc(2003, 12, 24, 14, 5, 6), "mittel"),
           Mail("Anna", "apfel", FileTimeFromUtc(2003, 12, 24, 14, 5, 9), "neueste"),
           Mail("bernd", "\xC4pfel", FileTimeFromUtc(2003, 12, 3), "<b>alt</b>"),
           Mail("Dora", "", 0, "ohne datum")});
    write("Postausgang.dbx", {Mail("x", "raus", FileTimeFromUtc(2004, 1, 1), "x")});
    write("Archiv.dbx", {});
}

}  // namespace

GuiWorld::GuiWorld()
{
    WriteStore(FStore.Path());
    std::filesystem::create_directories(FApp.File("vorlagen"));
    for (const auto& entry : std::filesystem::directory_iterator(VELLUMINE_TEMPLATES_DIR))
        std::filesystem::copy_file(entry.path(), FApp.File("vorlagen/" + entry.path().filename().string()));
}

std::unique_ptr<TMainForm> GuiWorld::OpenWindow(const std::string& storeDir)
{
    auto location = std::make_shared<FolderStoreLocation>(storeDir.empty() ? StoreDir() : storeDir);
    auto form = std::make_unique<TMainForm>(MainFormSetup{AppDir(), location, &dialogs, {}, {}, {}, TempRoot()});
    form->show();
    return form;
}

std::string PageText(const std::string& path)
{
    return ReadFileBytes(path).value_or(std::string());
}

bool WaitForPage(TMainForm& form)
{
    return QTest::qWaitFor(
        [&] {
            return !form.PreviewPending() && form.FDownloadComplete &&
                   form.WebBrowser1->LastLoadedUrl() == form.WebBrowser1->LocationURL();
        },
        30000);
}

void SelectRow(TMainForm& form, int row)
{
    form.ListView1->selectionModel()->select(form.ListModel()->index(row, 0),
                                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::string ShownPage(TMainForm& form, const GuiWorld& world)
{
    if (!QTest::qWaitFor([&] { return !form.PreviewPending(); }, 30000))
        return {};
    return PageText(world.TempPage(form));
}

sw::StoreRecordDescription JanuaryMail(const std::string& subject, int day, const std::string& headerAndBody)
{
    sw::MessageDescription m;
    m.sender = "Anna";
    m.recipient = "Bernd";
    m.subject = subject;
    m.date = sw::FileTimeFromUtc(2004, 1, day);
    m.source = "Subject: " + subject + "\r\n" + headerAndBody;
    return sw::MessageRecord(m);
}

void WritePostStore(const std::string& folder, const std::vector<sw::StoreRecordDescription>& messages)
{
    sw::WriteFileBytes(folder + "/folders.dbx",
                       sw::BuildStoreFile({sw::FolderRecord({.id = 1, .parentId = 0, .name = "Post", .fileName = "Post.dbx"}),
                                           sw::FolderRecord({.id = 2, .parentId = 0, .name = "Leer", .fileName = "Leer.dbx"})})
                           .bytes);
    sw::WriteFileBytes(folder + "/Post.dbx", sw::BuildStoreFile(messages).bytes);
    sw::WriteFileBytes(folder + "/Leer.dbx", sw::BuildStoreFile({}).bytes);
}

void ShowFolder(TMainForm& form, const QString& name)
{
    const auto items = form.TreeView1->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    if (items.isEmpty())
        return;
    form.TreeView1->setCurrentItem(items.first());
    form.TreeView1Click();
}

}  // namespace vellumine::testing
