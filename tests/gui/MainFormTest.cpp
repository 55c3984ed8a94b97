// The real main window on store fixtures, under Xvfb.

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QToolButton>
#include <QTcpServer>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <filesystem>

#include "BatchRunTest.h"
#include "AttachmentWindowTest.h"
#include "MailClientTest.h"
#include "WindowUseTest.h"
#include "GuiFixture.h"
#include "StoreDamage.h"
#include "StoreWriter.h"
#include "app/SettingsFile.h"
#include "app/qt/AboutBox.h"
#include "app/qt/MessageListModel.h"
#include "platform/Version.h"
#include "render/qt/BrowserView.h"
#include "render/qt/ShowMailForm.h"

using namespace vellumine;
using namespace vellumine::testing;

namespace {

QStringList Column(TMainForm& form, int column)
{
    QStringList texts;
    for (int row = 0; row < form.ListModel()->rowCount(); ++row)
        texts << form.ListModel()->index(row, column).data().toString();
    return texts;
}

QStringList TreeTexts(QTreeWidget* tree)
{
    QStringList texts;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        int depth = 0;
        for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent())
            ++depth;
        texts << QString(2 * depth, ' ') + (*it)->text(0);
    }
    return texts;
}

}  // namespace

class MainFormTest : public QObject {
    Q_OBJECT
private slots:
    void startUpSelectsTheThirdFolderAndShowsTheNewestMessage();
    void columnClicksSortEveryColumnBothWays();
    void ctrlASelectsAllAndLeavesThePreview();
    void checkBoxesAndTemplateRenderAnew();
    void doubleClickOpensTheMessageWindowOnTheSamePage();
    void settingsSurviveARestart();
    void noStoreShowsTheErrorAndStaysUsable();
    void unreadableFolderLeavesAnEmptyUsableList();
    void closeBoxSavesSettingsAndDeletesTemporaryFiles();
    void pagesRunNoScriptAndReachNoNetwork();
    void pagesLoadOnlyTheirOwnFolderAndStayPut();
    void boxesShowStoreTextAsPlainText();
    void encodedWordsAndCharsetsReadRightEverywhere();
    void splitterKeepsTheListBetweenTenAndNinetyPercent();
    void installedWindowKeepsTemplatesAndSettingsApartFromTheProgram();
    void aFolderFileGivenAtStartShowsItsFolder();
    void damagedFolderIsSaidAloudAndRescuedOnDemand();
    void intactFolderWithDeletedMessagesGetsTheRescuedItem();
};

void MainFormTest::startUpSelectsTheThirdFolderAndShowsTheNewestMessage()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QCOMPARE(TreeTexts(form->TreeView1),
             QStringList({"Lokale Ordner", "  Postausgang", "  Posteingang", "  Archiv", "    Urlaub", "    Zehn"}));
    for (QTreeWidgetItemIterator it(form->TreeView1); *it; ++it)
        QVERIFY((*it)->childCount() == 0 || (*it)->isExpanded());
    QCOMPARE(form->TreeView1->currentItem()->text(0), QString("Posteingang"));
    QCOMPARE(form->FCurrentFile, std::string("Posteingang.dbx"));
    QCOMPARE(Column(*form, kColumnSubject), QStringList({"apfel", "Birne", QString::fromUtf8("Äpfel"), ""}));
    QCOMPARE(form->ListView1->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(form->ListView1->selectionModel()->selectedRows().first().row(), 0);
    QVERIFY(WaitForPage(*form));
    const std::string page = ShownPage(*form, world);
    QVERIFY(page.find("neueste") != std::string::npos);
    QVERIFY(page.find("<table><tr><td><b>Von:</b></td><td>Anna</td></tr>") != std::string::npos);
    QVERIFY(page.find("class=\"band\"") != std::string::npos);  // the last template by name
    QCOMPARE(form->WebBrowser1->LocationURL().adjusted(QUrl::RemoveQuery),
             QUrl::fromLocalFile(QString::fromStdString(world.TempPage(*form))));
    QCOMPARE(form->DesignBox->currentText(), QString("Modern.htm"));
}

void MainFormTest::columnClicksSortEveryColumnBothWays()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    const QString umlaut = QString::fromUtf8("Äpfel");
    form->ListView1ColumnClick(kColumnDate);  // already the sort column: oldest first
    QCOMPARE(Column(*form, kColumnSubject), QStringList({"", umlaut, "Birne", "apfel"}));
    form->ListView1ColumnClick(kColumnSubject);
    QCOMPARE(Column(*form, kColumnSubject), QStringList({"", "apfel", "Birne", umlaut}));
    form->ListView1ColumnClick(kColumnSubject);
    QCOMPARE(Column(*form, kColumnSubject), QStringList({umlaut, "Birne", "apfel", ""}));
    emit form->ListView1->header()->sectionClicked(kColumnFrom);
    QCOMPARE(Column(*form, kColumnFrom), QStringList({"Anna", "bernd", "carla", "Dora"}));
    QCOMPARE(form->FSortDescending, false);
    form->ListView1ColumnClick(kColumnFrom);
    QCOMPARE(Column(*form, kColumnFrom), QStringList({"Dora", "carla", "bernd", "Anna"}));
    form->ListView1ColumnClick(kColumnTo);  // all "Anna": any order, every row kept
    QCOMPARE(Column(*form, kColumnTo).size(), 4);
    // The order survives a change of folder.
    form->TreeView1->setCurrentItem(form->TreeView1->topLevelItem(0)->child(1));
    form->TreeView1Click();
    QCOMPARE(form->FSortColumn, int(kColumnTo));
    QCOMPARE(form->ListView1->selectionModel()->selectedRows().size(), 0);
}

void MainFormTest::ctrlASelectsAllAndLeavesThePreview()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    SelectRow(*form, 2);
    QVERIFY(ShownPage(*form, world).find("&lt;b&gt;alt&lt;/b&gt;") != std::string::npos);
    const std::int32_t shown = form->FShownOffset;
    const auto before = std::filesystem::last_write_time(world.TempPage(*form));
    QTest::keyClick(form->ListView1, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(form->ListView1->selectionModel()->selectedRows().size(), 4);
    QCOMPARE(form->FShownOffset, shown);
    QCOMPARE(std::filesystem::last_write_time(world.TempPage(*form)), before);
    SelectRow(*form, 1);
    QTest::keyClick(form->ListView1, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(form->ListView1->selectionModel()->selectedRows().size(), 4);
    SelectRow(*form, 1);
    QTest::keyClick(form->ListView1, Qt::Key_A);
    QCOMPARE(form->ListView1->selectionModel()->selectedRows().size(), 1);
    SelectRow(*form, 3);
    form->QuitBtn->click();  // "Alle markieren"
    QCOMPARE(form->ListView1->selectionModel()->selectedRows().size(), 4);
    QVERIFY(ShownPage(*form, world).find("ohne datum") != std::string::npos);
}

void MainFormTest::checkBoxesAndTemplateRenderAnew()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QTest::mouseClick(form->ShowHead, Qt::LeftButton);
    QCOMPARE(ShownPage(*form, world), std::string("<meta charset=\"utf-8\">\r\nneueste<br>\r\n"));
    QTest::mouseClick(form->ShowHead, Qt::LeftButton);
    QVERIFY(ShownPage(*form, world).find("<table>") != std::string::npos);
    const std::pair<QCheckBox*, const char*> boxes[] = {{form->voncheck, "<b>Von:</b>"},
                                                        {form->ancheck, "<b>An:</b>"},
                                                        {form->datumcheck, "<b>Datum:</b>"},
                                                        {form->betreffcheck, "<b>Betreff:</b>"}};
    for (const auto& [box, row] : boxes) {
        QVERIFY(ShownPage(*form, world).find(row) != std::string::npos);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY2(ShownPage(*form, world).find(row) == std::string::npos, row);
    }
    QVERIFY(ShownPage(*form, world).find("<table>") == std::string::npos);
    QVERIFY(ShownPage(*form, world).find("class=\"band\"") != std::string::npos);
    form->DesignBox->setCurrentIndex(form->DesignBox->findText("Brief.htm"));
    emit form->DesignBox->activated(form->DesignBox->currentIndex());
    QVERIFY(ShownPage(*form, world).find("class=\"kopf\"") != std::string::npos);
}

void MainFormTest::doubleClickOpensTheMessageWindowOnTheSamePage()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(WaitForPage(*form));
    SelectRow(*form, 3);  // the message without subject
    QVERIFY(QTest::qWaitFor([&] { return form->WebBrowser1->LocationURL().isLocalFile(); }, 10000));
    QStringList seen;
    QUrl shownUrl;
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto& window = static_cast<TShowMailForm&>(dialog);
        seen << window.windowTitle() << window.Edit1->text() << window.Edit2->text() << window.Edit3->text()
             << window.Edit4->text();
        shownUrl = window.WebBrowser1->url();
        return int(QDialog::Rejected);
    };
    const QRect rowRect = form->ListView1->visualRect(form->ListModel()->index(3, 0));
    QTest::mouseClick(form->ListView1->viewport(), Qt::LeftButton, {}, rowRect.center());
    QTest::mouseDClick(form->ListView1->viewport(), Qt::LeftButton, {}, rowRect.center());
    QCOMPARE(seen.value(0), QString("eMail Nachricht"));
    QCOMPARE(seen.value(1), QString("Dora"));
    QCOMPARE(seen.value(3), QString("Anna"));
    QCOMPARE(shownUrl, form->WebBrowser1->LocationURL());
    QCOMPARE(form->ShowMailForm->WebBrowser1->url(), QUrl("about:blank"));
}

void MainFormTest::settingsSurviveARestart()
{
    GuiWorld world;
    {
        auto form = world.OpenWindow();
        QTest::mouseClick(form->betreffcheck, Qt::LeftButton);
        form->DesignBox->setCurrentIndex(0);
        form->close();
    }
    const std::string bytes = PageText(world.AppDir() + "options.dat");
    QCOMPARE(bytes, std::string("\0\0\0\0\1\0\0\0\1\0\0\0\1\0\0\0\0\0\0\0\1\0\0\0", 24));
    auto again = world.OpenWindow();
    QCOMPARE(again->DesignBox->currentIndex(), 0);
    QVERIFY(!again->betreffcheck->isChecked());
    QVERIFY(again->voncheck->isChecked());
    QVERIFY(ShownPage(*again, world).find("<b>Betreff:</b>") == std::string::npos);
}

void MainFormTest::noStoreShowsTheErrorAndStaysUsable()
{
    GuiWorld world;
    TempFolder empty;
    auto form = world.OpenWindow(empty.Path());
    QCOMPARE(world.dialogs.errors,
             QStringList(QString::fromStdString("Datei " + empty.Path() + "/folders.dbx kann nicht geöffnet werden.")));
    QCOMPARE(form->TreeView1->topLevelItemCount(), 0);
    QCOMPARE(form->ListModel()->rowCount(), 0);
    form->QuitBtn->click();
    QTest::mouseClick(form->ShowHead, Qt::LeftButton);
    form->ListView1ColumnClick(kColumnSubject);
    form->ListView1DblClick();
    QCOMPARE(world.dialogs.errors.size(), 1);
}

void MainFormTest::unreadableFolderLeavesAnEmptyUsableList()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QTreeWidgetItem* urlaub = form->TreeView1->topLevelItem(0)->child(2)->child(0);
    QCOMPARE(urlaub->text(0), QString("Urlaub"));
    QTest::mouseClick(form->TreeView1->viewport(), Qt::LeftButton, {},
                      form->TreeView1->visualItemRect(urlaub).center());
    QCOMPARE(world.dialogs.errors.size(), 1);
    QVERIFY(world.dialogs.errors.first().contains("fehlt.dbx kann nicht ge"));
    QCOMPARE(form->FCurrentFile, std::string("fehlt.dbx"));
    QCOMPARE(form->ListModel()->rowCount(), 0);
    QCOMPARE(form->FShownOffset, -1);
}

void MainFormTest::closeBoxSavesSettingsAndDeletesTemporaryFiles()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(WaitForPage(*form));
    const std::string folder = form->TempFolder();
    QVERIFY(std::filesystem::exists(folder + "mail.htm"));
    QVERIFY(form->close());
    QVERIFY(!std::filesystem::exists(folder));  // the window's own folder goes with it
    QVERIFY(!std::filesystem::exists(world.AppDir() + "Message"));  // nothing is written beside the program
    QCOMPARE(std::filesystem::file_size(world.AppDir() + "options.dat"), std::uintmax_t(24));
}

void MainFormTest::pagesRunNoScriptAndReachNoNetwork()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    TempFolder folder;
    const std::string page = folder.File("seite.htm");
    storewriter::WriteFileBytes(page, "<p id=\"t\">Text bleibt</p>"
                                      "<img src=\"http://127.0.0.1:" + std::to_string(server.serverPort()) + "/x.gif\">"
                                      "<script>document.getElementById('t').textContent = 'Skript lief';</script>");
    BrowserView view;
    view.resize(400, 300);
    view.show();
    bool loaded = false;
    QObject::connect(&view, &BrowserView::DownloadComplete, [&] { loaded = true; });
    view.Navigate(QString::fromStdString(page));
    QVERIFY(QTest::qWaitFor([&] { return loaded; }, 30000));
    QString text;
    view.page()->toPlainText([&](const QString& plain) { text = plain; });
    QVERIFY(QTest::qWaitFor([&] { return !text.isEmpty(); }, 10000));
    QVERIFY(text.contains("Text bleibt"));
    QVERIFY(!text.contains("Skript lief"));
    QTest::qWait(300);
    QVERIFY(!server.hasPendingConnections());
    QVERIFY(!BrowserView::IsAllowedUrl(QUrl("https://example.org/")));
    QVERIFY(BrowserView::IsAllowedUrl(QUrl("data:image/gif;base64,R0lG")));
}

void MainFormTest::pagesLoadOnlyTheirOwnFolderAndStayPut()
{
    TempFolder outside;
    storewriter::WriteFileBytes(outside.File("geheim.txt"), "GEHEIMNIS");
    std::filesystem::create_directories(outside.File("a/b"));
    storewriter::WriteFileBytes(outside.File("a/b/bild.gif"), "GIF89a");
    const std::string page = outside.File("a/b/seite.htm");
    const std::string secret = QUrl::fromLocalFile(QString::fromStdString(outside.File("geheim.txt"))).toString().toStdString();
    storewriter::WriteFileBytes(page, "<meta http-equiv=\"refresh\" content=\"0;url=" + secret + "\">"
                                      "<p>Seite bleibt</p><img src=\"bild.gif\"><img src=\"../../geheim.txt\">"
                                      "<iframe src=\"file:///etc/\"></iframe><iframe src=\"" + secret + "\"></iframe>");
    BrowserView view;
    view.resize(400, 300);
    view.show();
    int loads = 0;
    QObject::connect(&view, &BrowserView::DownloadComplete, [&] { ++loads; });
    view.Navigate(QString::fromStdString(page));
    QVERIFY(QTest::qWaitFor([&] { return loads > 0; }, 30000));
    QTest::qWait(1500);  // time for the refresh to try
    const QUrl pageUrl = QUrl::fromLocalFile(QString::fromStdString(page));
    QCOMPARE(view.url(), pageUrl);
    QCOMPARE(view.LastLoadedUrl(), pageUrl);
    QString text;
    view.page()->toPlainText([&](const QString& plain) { text = plain; });
    QVERIFY(QTest::qWaitFor([&] { return !text.isEmpty(); }, 10000));
    QVERIFY(text.contains("Seite bleibt"));
    QVERIFY(!text.contains("GEHEIMNIS"));
    QVERIFY(view.RefusedCount() >= 3);  // the refresh, the image above the folder, the frames

    const QString folder = QString::fromStdString(outside.File("a/b"));
    QVERIFY(BrowserView::IsAllowedRequest(QUrl::fromLocalFile(folder + "/bild.gif"), folder));
    QVERIFY(!BrowserView::IsAllowedRequest(QUrl::fromLocalFile(folder + "/../b2/x.gif"), folder));
    QVERIFY(!BrowserView::IsAllowedRequest(QUrl::fromLocalFile(folder + "x/y.gif"), folder));
    QVERIFY(!BrowserView::IsAllowedRequest(QUrl("file:///etc/passwd"), folder));
    QVERIFY(!BrowserView::IsAllowedRequest(QUrl("file://server/share/x"), folder));
    QVERIFY(BrowserView::IsAllowedRequest(QUrl("data:image/gif;base64,R0lG"), folder));
}

void MainFormTest::boxesShowStoreTextAsPlainText()
{
    const auto box = MakePlainBox(nullptr, QMessageBox::Critical, "Vellumine",
                                  "Datei <h1>Gro\u00df</h1><img src=x>.dbx kann nicht ge\u00f6ffnet werden");
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QVERIFY(box->text().contains("<h1>"));
}

void MainFormTest::encodedWordsAndCharsetsReadRightEverywhere()
{
    GuiWorld world;
    TempFolder store;
    storewriter::MessageDescription m;
    m.sender = "=?iso-8859-1?Q?J=FCrgen_M=FCller?=";
    m.recipient = "Anna";
    m.subject = "=?iso-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=";
    m.date = storewriter::FileTimeFromUtc(2004, 1, 1);
    m.source = "Subject: =?iso-8859-1?Q?Gr=FC=DFe_aus_K=F6ln?=\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"
               "Viele Grüße vom Rhein\r\n";
    storewriter::WriteFileBytes(store.File("folders.dbx"),
                                storewriter::BuildStoreFile({storewriter::FolderRecord(
                                    {.id = 1, .parentId = 0, .name = "Posteingang", .fileName = "Post.dbx"})})
                                    .bytes);
    storewriter::WriteFileBytes(store.File("Post.dbx"), storewriter::BuildStoreFile({storewriter::MessageRecord(m)}).bytes);
    auto form = world.OpenWindow(store.Path());
    form->TreeView1->setCurrentItem(form->TreeView1->topLevelItem(0));
    form->TreeView1Click();
    SelectRow(*form, 0);
    const QString greeting = QString::fromUtf8("Grüße aus Köln");
    QCOMPARE(Column(*form, kColumnSubject), QStringList(greeting));
    QCOMPARE(Column(*form, kColumnFrom), QStringList(QString::fromUtf8("Jürgen Müller")));
    QVERIFY(QTest::qWaitFor([&] { return form->WebBrowser1->LastLoadedUrl().isLocalFile(); }, 30000));
    QString text;
    form->WebBrowser1->page()->toPlainText([&](const QString& plain) { text = plain; });
    QVERIFY(QTest::qWaitFor([&] { return !text.isEmpty(); }, 10000));
    QVERIFY2(text.contains(QString::fromUtf8("Betreff:\tGrüße aus Köln")), qPrintable(text));
    QVERIFY(text.contains(QString::fromUtf8("Jürgen Müller")));
    QVERIFY(text.contains(QString::fromUtf8("Viele Grüße vom Rhein")));
}

void MainFormTest::splitterKeepsTheListBetweenTenAndNinetyPercent()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QCOMPARE(ListPercentFor(95, 100), 90);
    QCOMPARE(ListPercentFor(3, 100), 10);
    QCOMPARE(ListPercentFor(50, 0), 50);
    const int total = form->Splitter2->height();
    form->Splitter2->setSizes({total * 60 / 100, total * 40 / 100});
    form->Splitter2Moved();
    QVERIFY(qAbs(form->FListPercent - 60) <= 1);
    form->resize(760, 560);
    QTest::qWait(50);
    QVERIFY(qAbs(form->ListView1->height() - form->Splitter2->height() * form->FListPercent / 100) <= 3);
}

void MainFormTest::installedWindowKeepsTemplatesAndSettingsApartFromTheProgram()
{
    namespace fs = std::filesystem;
    GuiWorld world;
    fs::remove_all(world.AppDir() + "vorlagen");  // an installed bin folder holds none
    TempFolder data, settings;
    for (const char* name : {"Brief.htm", "Klar.htm"})
        fs::copy_file(fs::path(VELLUMINE_TEMPLATES_DIR) / name, data.File(name));
    WriteOptionsFile(settings.File("options.dat"), ViewOptions{0, true, true, true, false, true});
    const auto location = std::make_shared<FolderStoreLocation>(world.StoreDir());
    {
        TMainForm form(MainFormSetup{world.AppDir(), location, &world.dialogs, data.Path(), settings.Path(), {}, world.TempRoot()});
        form.show();
        QVERIFY(form.windowTitle().endsWith(QString("Tarnwick Vellumine ") + kVellumineVersion));
        QCOMPARE(form.DesignBox->count(), 2);
        QCOMPARE(form.DesignBox->currentText(), QString("Brief.htm"));  // as the settings folder's file says
        QVERIFY(!form.betreffcheck->isChecked());
        QVERIFY(WaitForPage(form));
        QVERIFY(ShownPage(form, world).find("class=\"kopf\"") != std::string::npos);
        form.OpenStore(world.StoreDir());
        form.close();
    }
    QCOMPARE(PageText(settings.File("stores.txt")), world.StoreDir() + "\n");
    QCOMPARE(PageText(settings.File("options.dat")).size(), std::size_t{24});
    for (const char* name : {"options.dat", "stores.txt"})
        QVERIFY2(!fs::exists(world.AppDir() + name), name);

    TAboutBox about;
    const auto* version = about.findChild<QLabel*>(QStringLiteral("VersionLabel"));
    QVERIFY(version);
    QCOMPARE(version->text(), QString("Version ") + kVellumineVersion);
}

void MainFormTest::aFolderFileGivenAtStartShowsItsFolder()
{
    GuiWorld world;
    const auto location = std::make_shared<FolderStoreLocation>(world.StoreDir());
    const struct {
        const char* startFile;
        const char* shown;
    } cases[] = {
        {"zehn.DBX", "Zehn"},          // as a copy from a FAT stick names it
        {"Archiv.dbx", "Archiv"},
        {"folders.dbx", "Posteingang"},  // the folder list itself: the usual third folder
        {"fremd.dbx", "Posteingang"},
    };
    for (const auto& c : cases) {
        TMainForm form(MainFormSetup{world.AppDir(), location, &world.dialogs, {}, {}, c.startFile, world.TempRoot()});
        form.show();
        QCOMPARE(form.TreeView1->currentItem()->text(0), QString(c.shown));
        form.OpenStore(world.StoreDir());  // a store opened later starts as usual
        QCOMPARE(form.TreeView1->currentItem()->text(0), QString("Posteingang"));
        form.close();
    }
    // The record names the file in the store's code page; the command line
    // gives the name as the file system spells it, in UTF-8.
    namespace sw = storewriter;
    TempFolder umlauts;
    sw::WriteFileBytes(umlauts.File("folders.dbx"),
                       sw::BuildStoreFile({sw::FolderRecord({.id = 0, .parentId = -1, .name = "Lokale Ordner", .fileName = ""}),
                                           sw::FolderRecord({.id = 1, .parentId = 0, .name = "Posteingang",
                                                             .fileName = "Posteingang.dbx", .special = true}),
                                           sw::FolderRecord({.id = 2, .parentId = 0, .name = "Gr\xfc\xdf" "e",
                                                             .fileName = "Gr\xfc\xdf" "e.dbx"})})
                           .bytes);
    for (const char* file : {"Posteingang.dbx", "Grüße.dbx"})
        sw::WriteFileBytes(umlauts.File(file), sw::BuildStoreFile({}).bytes);
    TMainForm form(MainFormSetup{world.AppDir(), std::make_shared<FolderStoreLocation>(umlauts.Path()), &world.dialogs,
                                 {}, {}, "Grüße.dbx", world.TempRoot()});
    form.show();
    QCOMPARE(form.TreeView1->currentItem()->text(0), QString::fromUtf8("Grüße"));
    form.close();
}

// A message of Anna's; without its record no index entry names it.
static storewriter::StoreRecordDescription RescueMail(const std::string& subject, bool recordKept)
{
    storewriter::StoreRecordDescription record = storewriter::MessageRecord(
        {.sender = "Anna", .subject = subject, .source = "Subject: " + subject + "\r\nFrom: anna@example.org\r\n\r\nText\r\n"});
    record.recordKept = recordKept;
    return record;
}

// A store of one folder `name` whose file holds `folderFile`.
static void WriteOneFolderStore(const TempFolder& store, const std::string& name, const std::string& folderFile)
{
    namespace sw = storewriter;
    sw::WriteFileBytes(store.File(name + ".dbx"), folderFile);
    sw::WriteFileBytes(store.File("folders.dbx"),
                       sw::BuildStoreFile({sw::FolderRecord({.id = 1, .parentId = 0, .name = name, .fileName = name + ".dbx"})})
                           .bytes);
}

static QTreeWidgetItem* FolderItem(TMainForm& form, const QString& name)
{
    for (QTreeWidgetItemIterator it(form.TreeView1); *it; ++it)
        if ((*it)->text(0) == name)
            return *it;
    return nullptr;
}

// A folder file with one record unreadable and one deleted message whose
// first bytes were overwritten: the notice says so above the list, and
// "Gerettete Nachrichten" under the folder lists what a scan finds.
void MainFormTest::damagedFolderIsSaidAloudAndRescuedOnDemand()
{
    namespace sw = storewriter;
    GuiWorld world;
    TempFolder store;
    sw::StoreImage image = sw::BuildStoreFile({RescueMail("eins", true), RescueMail("zwei", true),
                                               RescueMail("drei", true), RescueMail("weg", false)});
    sw::BreakRecordOwnOffset(image, 1);
    sw::OverwriteSourceStart(image, 3, std::string("Subject: weg\r\n").size());
    WriteOneFolderStore(store, "Kaputt", image.bytes);
    auto form = world.OpenWindow(store.Path());
    QTreeWidgetItem* folder = FolderItem(*form, "Kaputt");
    QVERIFY(folder);
    form->TreeView1->setCurrentItem(folder);
    form->TreeView1Click();
    QCOMPARE(Column(*form, kColumnSubject).size(), 2);
    QVERIFY(form->FFolderNotice->isVisible());
    QVERIFY(form->FFolderNotice->text().startsWith(
        QString::fromUtf8("Diese Ordnerdatei ist beschädigt: 2 von 3 Nachrichten lesbar.")));
    QCOMPARE(form->FFolderNotice->textFormat(), Qt::PlainText);
    QCOMPARE(folder->childCount(), 1);
    QTreeWidgetItem* rescued = folder->child(0);
    QCOMPARE(rescued->text(0), QString::fromUtf8("Gerettete Nachrichten"));

    form->TreeView1->setCurrentItem(rescued);
    form->TreeView1Click();
    QStringList subjects = Column(*form, kColumnSubject);
    subjects.sort();
    // The record that cannot be read still has its blocks; the deleted
    // message lost its first line and is marked.
    QCOMPARE(subjects, QStringList({QString::fromUtf8(" (unvollständig)"), "zwei"}));
    QVERIFY(form->FFolderNotice->text().contains(QString::fromUtf8("2 weitere Nachrichten gefunden, unter „Gerettete Nachrichten“ (davon 1 unvollständig)")));
    if (const char* shot = std::getenv("VELLUMINE_RESCUE_SHOT"))
        form->grab().save(shot);

    // Going back to the folder keeps the notice, now saying where the rest is.
    form->TreeView1->setCurrentItem(folder);
    form->TreeView1Click();
    QVERIFY(form->FFolderNotice->text().contains(QString::fromUtf8("unter „Gerettete Nachrichten“")));
    QCOMPARE(folder->childCount(), 1);
}

// A folder file that reads clean but still holds a message no index entry
// names: a scan after the list is shown adds "Gerettete Nachrichten", and
// the message is there.
void MainFormTest::intactFolderWithDeletedMessagesGetsTheRescuedItem()
{
    GuiWorld world;
    TempFolder store;
    WriteOneFolderStore(store, "Heil",
                        storewriter::BuildStoreFile({RescueMail("eins", true), RescueMail("geloescht", false)}).bytes);
    auto form = world.OpenWindow(store.Path());
    QTreeWidgetItem* folder = FolderItem(*form, "Heil");
    QVERIFY(folder);
    form->TreeView1->setCurrentItem(folder);
    form->TreeView1Click();
    QCOMPARE(Column(*form, kColumnSubject), QStringList({"eins"}));
    QVERIFY(!form->FFolderNotice->isVisible());
    QVERIFY(QTest::qWaitFor([&] { return folder->childCount() == 1; }, 10000));
    QTreeWidgetItem* rescued = folder->child(0);
    QCOMPARE(rescued->text(0), QString::fromUtf8("Gerettete Nachrichten"));
    form->TreeView1->setCurrentItem(rescued);
    form->TreeView1Click();
    QCOMPARE(Column(*form, kColumnSubject), QStringList({"geloescht"}));
}

int main(int argc, char** argv)
{
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Vellumine");
    vellumine::InitUiResources();
    MainFormTest mainForm;
    BatchRunTest batchRuns;
    WindowUseTest windowUse;
    MailClientTest mailClient;
    AttachmentWindowTest attachments;
    int failures = QTest::qExec(&mainForm, argc, argv);
    failures += QTest::qExec(&batchRuns, argc, argv);
    failures += QTest::qExec(&windowUse, argc, argv);
    failures += QTest::qExec(&mailClient, argc, argv);
    failures += QTest::qExec(&attachments, argc, argv);
    return failures;
}

#include "MainFormTest.moc"
