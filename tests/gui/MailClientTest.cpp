#include "MailClientTest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWheelEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <filesystem>
#include <optional>
#include <set>

#include "GuiFixture.h"
#include "StoreWriter.h"
#include "app/RecentStores.h"
#include "app/qt/AboutBox.h"
#include "app/qt/MessageListModel.h"
#include "output/qt/ExportForm.h"
#include "platform/FileAccess.h"
#include "render/qt/BrowserView.h"
#include "render/qt/ShowMailForm.h"
#include "render/qt/SourceForm.h"
#include "ui/FolderEdit.h"
#include "ui/ImageButton.h"
#include "ui/ProgressPanel.h"

using namespace vellumine;
using namespace vellumine::testing;
namespace fs = std::filesystem;
namespace sw = vellumine::storewriter;

namespace {

QTreeWidgetItem* FolderItem(TMainForm& form, const QString& name)
{
    const auto items = form.TreeView1->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    return items.isEmpty() ? nullptr : items.first();
}

QStringList ActionTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

QAction* ActionNamed(const QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

std::set<std::string> FileNames(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The right edge of the last column, in the list's viewport.
int ColumnsRightEdge(const QHeaderView& header)
{
    int right = 0;
    for (int column = 0; column < header.count(); ++column)
        right = std::max(right, header.sectionViewportPosition(column) + header.sectionSize(column));
    return right;
}

QString Mnemonic(const QString& text)
{
    const qsizetype at = text.indexOf('&');
    return at >= 0 && at + 1 < text.size() ? text.mid(at + 1, 1).toLower() : QString();
}

// A location that knows no store, as on a first start without one.
class NoStoreLocation : public StoreLocation {
public:
    std::string StoreFilePath(const std::string& fileName, std::string& shownPath) const override
    {
        shownPath = "\\" + fileName;
        return {};
    }
};

}  // namespace

void MailClientTest::twoWindowsKeepTheirOwnPages()
{
    GuiWorld world;
    // Left by a window that crashed: removed at the next start.
    const std::string left = world.TempRoot() + "/window-99999-abcdef";
    fs::create_directories(left);
    sw::WriteFileBytes(left + "/mail.htm", "alt");
    auto first = world.OpenWindow();
    QVERIFY(!fs::exists(left));
    QVERIFY(WaitForPage(*first));
    auto second = world.OpenWindow();
    QVERIFY(WaitForPage(*second));
    SelectRow(*second, 1);  // "Birne" in the second window, "apfel" stays in the first
    QVERIFY(WaitForPage(*second));
    QVERIFY(first->TempFolder() != second->TempFolder());
    QVERIFY(first->TempFolder().rfind(world.TempRoot() + "/", 0) == 0);
    QVERIFY(ShownPage(*first, world).find("neueste") != std::string::npos);
    QVERIFY(PageText(GuiWorld::TempPage(*second)).find("mittel") != std::string::npos);
    QVERIFY(!fs::exists(world.AppDir() + "Message"));  // nothing beside the program
    const std::string secondFolder = second->TempFolder();
    QVERIFY(second->close());
    QVERIFY(!fs::exists(secondFolder));
    QVERIFY(fs::exists(GuiWorld::TempPage(*first)));
}

void MailClientTest::pageSetUpOpensWithTheMarginsAPrintUses()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QCOMPARE(form->DesignBox->currentText(), QString("Modern.htm"));  // @page margin: 16mm 15mm
    TempFolder pdfs;
    form->PrinterFactory = [&] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdfs.File("druck.pdf")));
        return printer;
    };
    QMarginsF shown;
    std::optional<QMarginsF> chosen;  // what the user sets in the dialog
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto* setup = qobject_cast<QPageSetupDialog*>(&dialog);
        if (!setup)
            return int(QDialog::Rejected);
        shown = setup->printer()->pageLayout().margins(QPageLayout::Millimeter);
        if (chosen)
            setup->printer()->setPageMargins(*chosen, QPageLayout::Millimeter);
        return int(QDialog::Accepted);
    };
    const auto near = [](double a, double b) { return std::abs(a - b) < 0.1; };
    form->PrinterSetupBtn->click();
    QVERIFY2(near(shown.top(), 16) && near(shown.left(), 15) && near(shown.bottom(), 16) && near(shown.right(), 15),
             qPrintable(QString("%1 %2 %3 %4").arg(shown.left()).arg(shown.top()).arg(shown.right()).arg(shown.bottom())));
    form->PrinterSetupBtn->click();  // OK without a change kept them
    QVERIFY(near(shown.top(), 16) && near(shown.left(), 15));
    chosen = QMarginsF(30, 25, 30, 25);
    form->PrinterSetupBtn->click();
    chosen.reset();
    form->PrinterSetupBtn->click();
    QVERIFY2(near(shown.left(), 30) && near(shown.top(), 25), qPrintable(QString::number(shown.left())));
}

void MailClientTest::escClosesTheMessageWindowFromItsPage()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(WaitForPage(*form));
    bool closedByEsc = false;
    QString focusedIn;
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto& window = static_cast<TShowMailForm&>(dialog);
        window.show();
        (void)QTest::qWaitFor([&] { return window.WebBrowser1->LastLoadedUrl() == window.WebBrowser1->LocationURL(); }, 10000);
        window.WebBrowser1->setFocus();
        QWidget* page = window.WebBrowser1->focusProxy() ? window.WebBrowser1->focusProxy() : window.WebBrowser1;
        focusedIn = page->metaObject()->className();
        QTest::keyClick(page, Qt::Key_Escape);  // where the focus starts: in the page
        closedByEsc = QTest::qWaitFor([&] { return !window.isVisible(); }, 2000);
        return window.result();
    };
    form->ListView1DblClick();
    QVERIFY2(closedByEsc, qPrintable(focusedIn));
}

void MailClientTest::keysReachTheirCommands()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(WaitForPage(*form));
    form->PrinterFactory = [] { return std::unique_ptr<QPrinter>(); };
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    form->ListView1->setFocus();
    QString exportTitle;
    bool textFormatOffered = false;
    world.dialogs.onModal = [&](QDialog& dialog) {
        exportTitle = dialog.windowTitle();
        if (auto* exportForm = qobject_cast<TExportForm*>(&dialog))
            textFormatOffered = exportForm->TXTCheck->isEnabled();
        return int(QDialog::Rejected);
    };
    const struct {
        QKeySequence keys;
        std::function<bool()> happened;
    } cases[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_S), [&] { return exportTitle == "eMails speichern/exportieren" && !textFormatOffered; }},
        {QKeySequence(Qt::CTRL | Qt::Key_E), [&] { return exportTitle == "eMails speichern/exportieren" && textFormatOffered; }},
        {QKeySequence(Qt::CTRL | Qt::Key_P), [&] { return world.dialogs.errors.size() == 1 && world.dialogs.errors[0].contains("kein Drucker"); }},
        {QKeySequence(Qt::CTRL | Qt::Key_O), [&] { return world.dialogs.modalTitles.contains(QString::fromUtf8("Postablage öffnen")); }},
        {QKeySequence(Qt::Key_Return), [&] { return world.dialogs.modalTitles.contains("apfel"); }},  // the message window
        {QKeySequence(Qt::CTRL | Qt::Key_A), [&] { return form->ListView1->selectionModel()->selectedRows().size() == 4; }},
        {QKeySequence(Qt::CTRL | Qt::Key_F), [&] { return form->SearchEdit->hasFocus(); }},
    };
    for (const auto& c : cases) {
        exportTitle.clear();
        form->ListView1->setFocus();
        QTest::keySequence(form->ListView1, c.keys);
        QVERIFY2(c.happened(), qPrintable(c.keys.toString()));
    }
    // F5 reads the folder again: a message added to its file meanwhile shows.
    ShowFolder(*form, "Postausgang");
    QCOMPARE(form->ListModel()->rowCount(), 1);
    sw::MessageDescription added;
    added.subject = "neu";
    added.source = "Subject: neu\r\n\r\nneu\r\n";
    sw::MessageDescription old;
    old.subject = "raus";
    old.source = "Subject: raus\r\n\r\nx\r\n";
    sw::WriteFileBytes(world.StoreDir() + "/Postausgang.dbx",
                       sw::BuildStoreFile({sw::MessageRecord(old), sw::MessageRecord(added)}).bytes);
    form->ListView1->setFocus();
    QTest::keyClick(form->ListView1, Qt::Key_F5);
    QCOMPARE(form->ListModel()->rowCount(), 2);
    // The information dialog lists the keys.
    for (const char* keys : {"Strg+P", "Strg+S", "Strg+E", "Strg+O", "Strg+F", "Strg+A", "F5", "Eingabe", "Strg+Plus"})
        QVERIFY2(form->AboutBox->ShortcutLabel->text().contains(keys), keys);
}

void MailClientTest::everyCommandHasItsOwnLetter()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QStringList letters;
    for (QToolButton* button : {form->PrintBtn, form->PrinterSetupBtn, form->SaveBtn, form->ExportBtn, form->CancelBtn, form->QuitBtn})
        letters << Mnemonic(button->text());
    for (QAction* menu : form->menuBar()->actions())
        letters << Mnemonic(menu->text());
    QCOMPARE(letters.size(), 7);
    QVERIFY2(!letters.contains(QString()), qPrintable(letters.join(',')));
    QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
    // The hints read as German does.
    QCOMPARE(form->PrintBtn->toolTip(), QString("Die markierten eMails ausdrucken"));
    QCOMPARE(form->PrinterSetupBtn->toolTip(), QString::fromUtf8("Die Druckeinstellungen ändern"));
    QCOMPARE(form->SaveBtn->toolTip(), QString("Speichert die markierten eMails als eml Dateien ab"));
    QCOMPARE(form->ExportBtn->toolTip(), QString("Speichert die markierten eMails als HTML oder TXT Dokumente ab"));
}

void MailClientTest::zoomByKeysWheelAndMenu()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(WaitForPage(*form));
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    BrowserView* view = form->WebBrowser1;
    // The window's zoom keys, with the focus in the list.
    form->ListView1->setFocus();
    QTest::keySequence(form->ListView1, QKeySequence(Qt::CTRL | Qt::Key_Plus));
    QVERIFY2(view->zoomFactor() > 1.1, qPrintable(QString::number(view->zoomFactor())));
    QTest::keySequence(form->ListView1, QKeySequence(Qt::CTRL | Qt::Key_0));
    QCOMPARE(view->zoomFactor(), 1.0);
    QTest::keySequence(form->ListView1, QKeySequence(Qt::CTRL | Qt::Key_Minus));
    QVERIFY(view->zoomFactor() < 0.9);
    view->ResetZoom();
    for (int i = 0; i < 40; ++i)
        view->ZoomIn();
    QCOMPARE(view->zoomFactor(), 5.0);  // bounded
    view->ResetZoom();
    std::unique_ptr<QMenu> menu(view->MakeContextMenu(nullptr));
    QCOMPARE(ActionTexts(*menu), QStringList({"Kopieren", "Alles markieren", QString::fromUtf8("Vergrößern"), "Verkleinern"}));
    QVERIFY(!ActionNamed(*menu, "Kopieren")->isEnabled());  // nothing selected yet
    ActionNamed(*menu, "Verkleinern")->trigger();
    QVERIFY(view->zoomFactor() < 0.9);
}

void MailClientTest::columnsFitTheListAndKeepTheUsersWidths()
{
    GuiWorld world;
    {
        auto form = world.OpenWindow();
        QCOMPARE(form->size(), QSize(696, 480));
        QTest::qWait(50);
        QHeaderView* header = form->ListView1->header();
        const bool fits = QTest::qWaitFor([&] { return ColumnsRightEdge(*header) <= form->ListView1->viewport()->width(); }, 2000);
        QVERIFY2(fits, qPrintable(QString("%1 %2 %3 %4 / %5").arg(header->sectionSize(0)).arg(header->sectionSize(1))
                                      .arg(header->sectionSize(2)).arg(header->sectionSize(3)).arg(form->ListView1->viewport()->width())));
        QCOMPARE(header->sectionResizeMode(kColumnSubject), QHeaderView::Stretch);
        const QFontMetrics metrics(form->ListView1->font());
        QVERIFY(header->sectionSize(kColumnDate) >= metrics.horizontalAdvance("24.12.2003 14:05:06"));
        // The search's folder column fits as well.
        form->SearchEdit->setText("Text");
        form->SearchEditReturn();
        QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning(); }, 30000));
        QCOMPARE(form->ListModel()->columnCount(), 6);
        QVERIFY(ColumnsRightEdge(*header) <= form->ListView1->viewport()->width());
        form->SearchEdit->clear();
        header->resizeSection(kColumnFrom, 123);  // the user drags "Von:"
        ShowFolder(*form, "Zehn");
        QCOMPARE(header->sectionSize(kColumnFrom), 123);  // a new folder keeps it
        form->close();
    }
    auto again = world.OpenWindow();
    QTest::qWait(50);
    QCOMPARE(again->ListView1->header()->sectionSize(kColumnFrom), 123);
}

void MailClientTest::layoutIsKeptBetweenStarts()
{
    GuiWorld world;
    {
        auto form = world.OpenWindow();
        form->resize(820, 610);
        form->move(40, 30);
        QTest::qWait(50);
        form->Splitter1->setSizes({260, 555});
        form->Splitter2->setSizes({form->Splitter2->height() * 30 / 100, form->Splitter2->height() * 70 / 100});
        form->Splitter2Moved();
        ShowFolder(*form, "Zehn");
        form->ListView1ColumnClick(kColumnSubject);  // Betreff, ascending
        form->close();
    }
    QCOMPARE(fs::file_size(world.AppDir() + "options.dat"), std::uintmax_t(24));  // its layout is untouched
    auto form = world.OpenWindow();
    QTest::qWait(50);
    QCOMPARE(form->size(), QSize(820, 610));
    QVERIFY(qAbs(form->Splitter1->sizes().first() - 260) <= 2);
    QVERIFY(qAbs(form->FListPercent - 30) <= 1);
    QCOMPARE(form->FSortColumn, kColumnSubject);
    QCOMPARE(form->FSortDescending, false);
    QCOMPARE(form->TreeView1->currentItem()->text(0), QString("Zehn"));
    QCOMPARE(form->ListModel()->index(0, kColumnSubject).data().toString(), QString("Bilder"));
    // The store given at start is among the recent ones, and marked.
    QCOMPARE(ReadRecentStores(world.AppDir() + "stores.txt"), std::vector<std::string>{world.StoreDir()});
    emit form->StoreMenu->aboutToShow();
    QAction* current = ActionNamed(*form->StoreMenu, QString::fromStdString(world.StoreDir()));
    QVERIFY(current && current->isCheckable() && current->isChecked());
    // The last store opens again when the program starts without one.
    QCOMPARE(LastStoreFolder(world.AppDir()), world.StoreDir());
}

void MailClientTest::contextMenusOfferTheCommands()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(WaitForPage(*form));
    std::unique_ptr<QMenu> list(form->MakeListMenu());
    QCOMPARE(ActionTexts(*list),
             QStringList({QString::fromUtf8("Öffnen"), "Drucken", "Speichern", "Exportieren",
                          QString::fromUtf8("Anlage öffnen"), QString::fromUtf8("Anlage speichern unter…"),
                          QString::fromUtf8("Alle Anlagen speichern…"), "Quelltext anzeigen"}));
    // The message shown carries no files: nothing to take out of it.
    QVERIFY(!ActionNamed(*list, QString::fromUtf8("Alle Anlagen speichern…"))->isEnabled());
    QVERIFY(!ActionNamed(*list, QString::fromUtf8("Anlage speichern unter…"))->isEnabled());
    ActionNamed(*list, QString::fromUtf8("Öffnen"))->trigger();
    QCOMPARE(world.dialogs.modalTitles.last(), QString("apfel"));
    ActionNamed(*list, "Speichern")->trigger();
    QCOMPARE(world.dialogs.modalTitles.last(), QString("eMails speichern/exportieren"));

    std::unique_ptr<QMenu> folder(form->MakeFolderMenu(FolderItem(*form, "Zehn")));
    QCOMPARE(ActionTexts(*folder), QStringList({QString::fromUtf8("Ordner exportieren…"), "In diesem Ordner suchen"}));
    ActionNamed(*folder, "In diesem Ordner suchen")->trigger();
    QCOMPARE(form->SearchEdit->text(), QString("ordner:\"Zehn\" "));
    TempFolder target;
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto& exportForm = static_cast<TExportForm&>(dialog);
        exportForm.DirectoryEdit1->SetText(QString::fromStdString(target.Path()));
        return int(QDialog::Accepted);
    };
    form->SearchEdit->clear();
    ActionNamed(*folder, QString::fromUtf8("Ordner exportieren…"))->trigger();
    QCOMPARE(world.dialogs.information.last(), QString("Export beendet|Es wurden 11 Nachrichten exportiert!"));
    std::unique_ptr<QMenu> group(form->MakeFolderMenu(FolderItem(*form, "Lokale Ordner")));
    QVERIFY(!group->actions().first()->isEnabled());  // a folder without a file has nothing to export
}

void MailClientTest::sourceWindowShowsAndSavesTheBytes()
{
    GuiWorld world;
    TempFolder store;
    // Windows-1252 bytes under a declared charset, and a line ending in CR LF.
    const std::string source = "From: J\xF6rg\r\nSubject: Gr\xFC\xDF" "e\r\nContent-Type: text/plain; charset=windows-1252\r\n\r\n"
                               "\x80 f\xFCr alle\r\n";
    sw::MessageDescription m;
    m.subject = "Gr\xFC\xDF" "e";
    m.date = sw::FileTimeFromUtc(2004, 1, 2);
    m.source = source;
    sw::WriteFileBytes(store.File("folders.dbx"),
                       sw::BuildStoreFile({sw::FolderRecord({.id = 1, .parentId = 0, .name = "Post", .fileName = "Post.dbx"})}).bytes);
    sw::WriteFileBytes(store.File("Post.dbx"), sw::BuildStoreFile({sw::MessageRecord(m)}).bytes);
    auto form = world.OpenWindow(store.Path());
    ShowFolder(*form, "Post");
    SelectRow(*form, 0);
    QString shownText, title;
    bool readOnly = false;
    TempFolder saved;
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto& window = static_cast<TSourceForm&>(dialog);
        shownText = window.SourceEdit->toPlainText();
        title = window.windowTitle();
        readOnly = window.SourceEdit->isReadOnly();
        window.AskSavePath = [&](const QString& suggested) {
            return QString::fromStdString(saved.Path() + "/") + suggested;
        };
        window.SaveBtn->click();
        return int(QDialog::Rejected);
    };
    form->ShowSourceClick();
    QVERIFY(readOnly);
    QVERIFY2(shownText.contains(QString::fromUtf8("€ für alle")), qPrintable(shownText));
    QVERIFY(shownText.contains(QString::fromUtf8("From: Jörg")));
    QCOMPARE(title, QString::fromUtf8("Quelltext: Grüße"));
    const auto names = FileNames(saved.Path());
    QCOMPARE(names.size(), std::size_t(1));
    QVERIFY2(names.begin()->rfind("Gr__e", 0) == 0 && names.begin()->ends_with(".eml"), names.begin()->c_str());  // as a save names it
    QCOMPARE(PageText(saved.Path() + "/" + *names.begin()), source);  // byte for byte
    // A file that cannot be written says so.
    auto& window = *form->SourceForm;
    QVERIFY(window.SaveSourceAs(QString::fromStdString(saved.Path() + "/fehlt/x.eml")).contains("kann nicht"));
}

void MailClientTest::draggedMessagesArriveAsEmlFiles()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    ShowFolder(*form, "Zehn");
    QModelIndexList rows;
    for (int row : {0, 1, 2, 3})
        rows << form->ListModel()->index(row, 0) << form->ListModel()->index(row, 2);
    std::unique_ptr<QMimeData> data(form->ListModel()->mimeData(rows));
    QVERIFY(data);
    QCOMPARE(data->urls().size(), 4);
    // The same names a save with the date in the name gives.
    TempFolder target;
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto& exportForm = static_cast<TExportForm&>(dialog);
        exportForm.DirectoryEdit1->SetText(QString::fromStdString(target.Path()));
        exportForm.datecheck->setChecked(true);
        return int(QDialog::Accepted);
    };
    for (int row : {0, 1, 2, 3})
        form->ListView1->selectionModel()->select(form->ListModel()->index(row, 0),
                                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    form->SaveBtnClick();
    std::set<std::string> dragged;
    for (const QUrl& url : data->urls()) {
        const std::string path = url.toLocalFile().toStdString();
        dragged.insert(fs::path(path).filename().string());
        QVERIFY(path.rfind(form->TempFolder(), 0) == 0);  // removed with the window's folder
        QCOMPARE(PageText(path), PageText(target.Path() + "/" + fs::path(path).filename().string()));
    }
    QCOMPARE(dragged, FileNames(target.Path()));
    QVERIFY(form->ListModel()->flags(form->ListModel()->index(0, 0)) & Qt::ItemIsDragEnabled);
}

void MailClientTest::aDroppedStoreOpens()
{
    GuiWorld world;
    TempFolder other;
    sw::WriteFileBytes(other.File("folders.dbx"),
                       sw::BuildStoreFile({sw::FolderRecord({.id = 1, .parentId = 0, .name = "Anderer", .fileName = "A.dbx"})}).bytes);
    sw::WriteFileBytes(other.File("A.dbx"), sw::BuildStoreFile({}).bytes);
    sw::WriteFileBytes(other.File("notiz.txt"), "x");
    auto form = world.OpenWindow();
    const auto drop = [&](const std::string& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &dropped);
        return dropped.isAccepted();
    };
    QVERIFY(!drop(other.File("notiz.txt")));  // neither a folder nor a .dbx file
    QCOMPARE(form->FStoreFolder, world.StoreDir());
    QVERIFY(drop(other.File("A.dbx")));
    QCOMPARE(form->FStoreFolder, other.Path());
    QVERIFY(FolderItem(*form, "Anderer"));
    QVERIFY(drop(world.StoreDir()));
    QCOMPARE(form->FStoreFolder, world.StoreDir());
    QVERIFY(form->windowTitle().contains(QString::fromStdString(world.StoreDir())));
}

void MailClientTest::statusBarCountsMessagesAndMarked()
{
    const struct {
        int messages, selected;
        QString text;
    } texts[] = {
        {0, 0, "0 Nachrichten"}, {1, 0, "1 Nachricht"}, {1, 1, "1 Nachricht, 1 markiert"}, {11, 3, "11 Nachrichten, 3 markiert"}};
    for (const auto& t : texts)
        QCOMPARE(MessageCountText(t.messages, t.selected), t.text);
    GuiWorld world;
    auto form = world.OpenWindow();
    QCOMPARE(form->StatusCount->text(), QString("4 Nachrichten, 1 markiert"));
    form->QuitBtnClick();
    QCOMPARE(form->StatusCount->text(), QString("4 Nachrichten, 4 markiert"));
    ShowFolder(*form, "Postausgang");
    QCOMPARE(form->StatusCount->text(), QString("1 Nachricht"));
    QVERIFY(form->StatusCount->isVisible());
    QVERIFY(form->StatusPanel1->isVisible());  // the progress panel stays
}

void MailClientTest::titleHintAndFieldBoxes()
{
    GuiWorld world;
    {
        auto form = world.OpenWindow();
        QCOMPARE(form->windowTitle(), QString::fromStdString(world.StoreDir()) + QString::fromUtf8(" – Tarnwick Vellumine 1.0"));
        // Newest first: the arrow points down, which Qt's header draws for
        // what it calls ascending.
        QVERIFY(form->FSortDescending);
        QCOMPARE(form->ListView1->header()->sortIndicatorOrder(), Qt::AscendingOrder);
        QTest::mouseClick(form->ShowHead, Qt::LeftButton);
        for (QCheckBox* box : {form->voncheck, form->ancheck, form->datumcheck, form->betreffcheck})
            QVERIFY(!box->isEnabled());
        QTest::mouseClick(form->ShowHead, Qt::LeftButton);
        QVERIFY(form->voncheck->isEnabled());
        QTest::mouseClick(form->ShowHead, Qt::LeftButton);
        form->close();
    }
    {
        auto form = world.OpenWindow();  // restored unchecked: the boxes are off from the start
        QVERIFY(!form->ShowHead->isChecked());
        QVERIFY(!form->betreffcheck->isEnabled());
    }
    TempFolder app;
    RecordingDialogs dialogs;
    TMainForm first(MainFormSetup{app.Path(), std::make_shared<NoStoreLocation>(), &dialogs, {}, {}, {}, app.File("laufzeit")});
    QVERIFY(dialogs.errors.isEmpty());
    QCOMPARE(dialogs.information, QStringList(QStringLiteral("Vellumine|") + QString::fromUtf8(kNoStoreHint)));
    QVERIFY(dialogs.information.first().contains(QString::fromUtf8("Postablage öffnen…")));
    QCOMPARE(first.windowTitle(), QString("Tarnwick Vellumine 1.0"));
}

void MailClientTest::plainTextKeepsItsBlanks()
{
    GuiWorld world;
    TempFolder store;
    sw::MessageDescription m;
    m.subject = "Tabelle";
    m.source = "Subject: Tabelle\r\nContent-Type: text/plain\r\n\r\nPosten     Preis\r\n    eingerückt\r\n";
    sw::WriteFileBytes(store.File("folders.dbx"),
                       sw::BuildStoreFile({sw::FolderRecord({.id = 1, .parentId = 0, .name = "Post", .fileName = "Post.dbx"})}).bytes);
    sw::WriteFileBytes(store.File("Post.dbx"), sw::BuildStoreFile({sw::MessageRecord(m)}).bytes);
    auto form = world.OpenWindow(store.Path());
    ShowFolder(*form, "Post");
    SelectRow(*form, 0);
    QVERIFY(WaitForPage(*form));
    const std::string page = PageText(GuiWorld::TempPage(*form));
    QVERIFY(page.find("Posten &nbsp;&nbsp;&nbsp;&nbsp;Preis<br>") != std::string::npos);
    QVERIFY(page.find("&nbsp;&nbsp;&nbsp;&nbsp;einger") != std::string::npos);
}

void MailClientTest::exportDialogIsNotClippedAndResizes()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    TExportForm& dialog = *form->ExportForm;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QVERIFY(dialog.minimumSize() != dialog.maximumSize());  // it can be resized
    const QList<QWidget*> texts = {static_cast<QWidget*>(dialog.datecheck), dialog.AllHTMLCheck, dialog.TXTCheck, dialog.MixedCheck,
                                   dialog.RawTextCheck, dialog.AttachmentsCheck, dialog.OkBtn, dialog.CancelBtn};
    for (QWidget* widget : texts) {
        QVERIFY2(widget->width() >= widget->sizeHint().width(), qPrintable(widget->objectName() + widget->metaObject()->className()));
        QVERIFY(dialog.rect().contains(QRect(widget->mapTo(&dialog, QPoint(0, 0)), widget->size())));
    }
    dialog.resize(dialog.width() + 200, dialog.height() + 60);
    QTest::qWait(20);
    QVERIFY(dialog.DirectoryEdit1->width() > 300);
    dialog.hide();
}

void MailClientTest::webButtonsSayWhenNoBrowserStarts()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QList<QUrl> asked;
    form->OpenWebPage = [&](const QUrl& url) {
        asked << url;
        return false;
    };
    form->wwwBtn->click();
    emit form->AboutBox->HomepageRequested();
    QCOMPARE(asked.size(), 2);
    QCOMPARE(world.dialogs.errors.size(), 2);
    QVERIFY(world.dialogs.errors.first().contains("kein Webbrowser"));
    form->OpenWebPage = [](const QUrl&) { return true; };
    form->wwwBtn->click();
    QCOMPARE(world.dialogs.errors.size(), 2);
}
