#include "WindowUseTest.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTextDocument>
#include <QToolTip>
#include <QWindow>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <filesystem>

#include "GuiFixture.h"
#include "StoreWriter.h"
#include "app/qt/MessageListModel.h"
#include "output/qt/ExportForm.h"
#include "app/qt/MigrateForm.h"
#include "app/qt/MigrateResultForm.h"
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include "app/RecentStores.h"
#include <QMenu>
#include <QRadioButton>
#include "render/qt/BrowserView.h"
#include "render/qt/ShowMailForm.h"
#include "platform/FileAccess.h"
#include "ui/Dialogs.h"
#include "ui/FolderEdit.h"
#include "ui/ProgressPanel.h"

using namespace vellumine;
using namespace vellumine::testing;
namespace sw = vellumine::storewriter;

namespace {

sw::StoreRecordDescription Message(const std::string& subject, int day, const std::string& body)
{
    return JanuaryMail(subject, day, "Content-Type: text/plain\r\n\r\n" + body);
}

std::unique_ptr<TMainForm> OpenPost(GuiWorld& world, const TempFolder& store)
{
    auto form = world.OpenWindow(store.Path());
    ShowFolder(*form, "Post");
    return form;
}

// "Post" holding `count` messages "Nachricht N" with one text, shown.
std::unique_ptr<TMainForm> OpenNumberedPosts(GuiWorld& world, const TempFolder& store, int count,
                                             const std::string& body)
{
    std::vector<sw::StoreRecordDescription> many;
    for (int i = 0; i < count; ++i)
        many.push_back(Message("Nachricht " + std::to_string(i), 1 + i % 28, body));
    WritePostStore(store.Path(), many);
    return OpenPost(world, store);
}

std::string LongText(const std::string& word)
{
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += word + " Zeile " + std::to_string(i) + "\r\n";
    return text;
}

// A page with an embedded part of `size` bytes (base64 in the source):
// reading, decoding and writing it takes a while.
sw::StoreRecordDescription BigMessage(std::size_t size)
{
    std::string base64;
    const std::string line(76, 'Q');
    while (base64.size() < size * 4 / 3)
        base64 += line + "\r\n";
    sw::MessageDescription m;
    m.sender = "Anna";
    m.recipient = "Bernd";
    m.subject = "gross";
    m.date = sw::FileTimeFromUtc(2004, 1, 1);
    m.source = "Subject: gross\r\nContent-Type: multipart/related; boundary=r\r\n\r\n"
               "--r\r\nContent-Type: text/html\r\n\r\n<p>Auszeichnung</p><img src=\"cid:gross\">\r\n"
               "--r\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
               "Content-ID: <gross>\r\n\r\n" + base64 + "--r--\r\n";
    return sw::MessageRecord(m);
}

// The text a tooltip or label of automatic format shows for `text`.
QString ShownAsTooltip(const QString& text)
{
    QTextDocument document;
    if (Qt::mightBeRichText(text))
        document.setHtml(text);
    else
        document.setPlainText(text);
    return document.toPlainText();
}

// The tooltip on the screen, if one is.
QLabel* ShownTooltip()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "qtooltip_label" && widget->isVisible())
            return qobject_cast<QLabel*>(widget);
    return nullptr;
}

int ScrollTop(BrowserView& view)
{
    return qRound(view.page()->scrollPosition().y());
}

// The window is on screen with its page, and the page's own painting has
// settled: what is painted from here on is what the test causes.
bool ShownAndSettled(TMainForm& form)
{
    if (!QTest::qWaitForWindowExposed(&form) || !WaitForPage(form))
        return false;
    QTest::qWait(500);
    return true;
}

}  // namespace

void WindowUseTest::aNewMessageStartsAtItsTop()
{
    GuiWorld world;
    TempFolder store;
    WritePostStore(store.Path(), {Message("eins", 2, LongText("eins")), Message("zwei", 1, LongText("zwei"))});
    auto form = OpenPost(world, store);
    SelectRow(*form, 0);
    QVERIFY(WaitForPage(*form));
    form->WebBrowser1->setFocus();
    QTest::qWait(200);
    QTest::keyClick(form->WebBrowser1->focusProxy(), Qt::Key_End);
    QVERIFY(QTest::qWaitFor([&] { return ScrollTop(*form->WebBrowser1) > 500; }, 5000));
    SelectRow(*form, 1);
    QVERIFY(WaitForPage(*form));
    QTest::qWait(300);
    QCOMPARE(ScrollTop(*form->WebBrowser1), 0);
}

void WindowUseTest::closingDuringARunCancelsItAndCloses()
{
    GuiWorld world;
    TempFolder store;
    auto form = OpenNumberedPosts(world, store, 40, "Text\r\n");
    TempFolder target;
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto* exportForm = qobject_cast<TExportForm*>(&dialog);
        if (!exportForm)
            return int(QDialog::Rejected);
        exportForm->DirectoryEdit1->SetText(QString::fromStdString(target.Path()));
        return int(QDialog::Accepted);
    };
    bool closeAsked = false, closeAccepted = true;
    connect(form->StatusPanel1, &ProgressPanel::PercentChanged, form.get(), [&](int percent, int) {
        if (percent >= 10 && !closeAsked) {
            closeAsked = true;
            QTimer::singleShot(0, form.get(), [&] { closeAccepted = form->close(); });
        }
    });
    form->QuitBtnClick();  // "Alle markieren"
    form->ExportBtn->click();
    QVERIFY(closeAsked);
    QVERIFY(!closeAccepted);  // not while the run goes on
    QVERIFY(QTest::qWaitFor([&] { return !form->isVisible(); }, 5000));
    QVERIFY(!form->FBusy);
    QVERIFY(world.dialogs.information.isEmpty());  // no completion box without a window
    std::size_t written = 0;
    for (const auto& entry : std::filesystem::directory_iterator(target.Path()))
        written += entry.path().extension() == ".htm" ? 1 : 0;
    QVERIFY2(written < 40, "the run was cancelled");
    QVERIFY(std::filesystem::exists(world.AppDir() + "options.dat"));  // closed the normal way
}

void WindowUseTest::hintsAreTooltipsOnly()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    for (QToolButton* button : form->findChildren<QToolButton*>()) {
        QVERIFY2(button->statusTip().isEmpty(), qPrintable(button->text()));
        QTest::mouseMove(button);
        QTest::qWait(50);
        QVERIFY(form->statusBar()->currentMessage().isEmpty());
    }
    QVERIFY(!form->CancelBtn->toolTip().isEmpty());
}

void WindowUseTest::progressIsPaintedAtMostThirtyTimesASecond()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(ShownAndSettled(*form));
    const int before = form->StatusPanel1->PaintCount();
    QElapsedTimer clock;
    clock.start();
    // As an export run does it: the bar moves, then pending events are handled.
    for (int i = 1; i <= 4000; ++i) {
        form->SetProStatus(i * 100 / 4000);
        QApplication::processEvents();
    }
    const int painted = form->StatusPanel1->PaintCount() - before;
    const double seconds = clock.elapsed() / 1000.0;
    qInfo("progress: %d paints for 4000 steps in %.3f s", painted, seconds);
    QVERIFY(painted >= 1);
    QVERIFY2(painted <= 3 + 31 * seconds, qPrintable(QString("%1 paints in %2 s").arg(painted).arg(seconds)));
    QCOMPARE(form->StatusPanel1->Percent(), 100);
    const int atFull = form->StatusPanel1->PaintCount();
    form->SetProStatus(0);  // always painted at once
    QApplication::processEvents();
    QVERIFY(form->StatusPanel1->PaintCount() > atFull);
    QCOMPARE(form->StatusPanel1->BarWidth(), 0);
}

// A run on a worker reports the same percentage many times (the read-back
// at the end stands at 99 % for seconds): each paint flushes the whole
// window, so only a bar that moved is painted, and a step held back by the
// rate limit is painted when it is reported again.
void WindowUseTest::progressIsPaintedOnlyWhenTheBarMoves()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(ShownAndSettled(*form));
    form->SetProStatus(40);
    QCOMPARE(form->StatusPanel1->PaintedPercent(), 40);
    const int atForty = form->StatusPanel1->PaintCount();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 300) {  // ten times the rate limit
        form->SetProStatus(40);
        QApplication::processEvents();
        QTest::qWait(1);
    }
    QCOMPARE(form->StatusPanel1->PaintCount(), atForty);
    QElapsedTimer sinceFortyOne;
    sinceFortyOne.start();
    form->SetProStatus(41);
    QCOMPARE(form->StatusPanel1->PaintedPercent(), 41);
    form->SetProStatus(42);  // within the rate limit of the last paint: held back
    // A busy machine may let the 33 ms pass between the two calls.
    if (sinceFortyOne.elapsed() < 30)
        QCOMPARE(form->StatusPanel1->PaintedPercent(), 41);
    QTest::qWait(50);
    form->SetProStatus(42);
    QCOMPARE(form->StatusPanel1->PaintedPercent(), 42);
    form->SetProStatus(0);
    QApplication::processEvents();
    QCOMPARE(form->StatusPanel1->PaintedPercent(), 0);
}

void WindowUseTest::everySearchResultShowsItsSnippet()
{
    GuiWorld world;
    TempFolder store;
    TempFolder cache;
    auto form = OpenNumberedPosts(world, store, 130, "Bitte raus damit\r\n");
    form->SearchIndexPathFor = [&cache](const std::string&) { return cache.File("index.sqlite"); };
    form->SearchEdit->setText("raus");
    QTest::keyClick(form->SearchEdit, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning() && form->ListModel()->rowCount() == 130; }, 30000));
    for (const int row : {0, 99, 100, 129}) {
        const QString tip = form->ListModel()->index(row, 0).data(Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(QString::fromUtf8("»raus«")), qPrintable(QString::number(row) + ": " + tip));
    }
}

void WindowUseTest::qtDialogsSpeakGerman()
{
    QVERIFY(InstallGermanQtTranslations());
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Open);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text().remove('&'), QString("Abbrechen"));
    QCOMPARE(buttons.button(QDialogButtonBox::Open)->text().remove('&'), QString::fromUtf8("Öffnen"));
}

void WindowUseTest::arrowKeysInTheTreeLoadTheFolder()
{
    GuiWorld world;
    TempFolder store;
    WritePostStore(store.Path(), {Message("eins", 1, "x\r\n"), Message("zwei", 2, "y\r\n")});
    auto form = OpenPost(world, store);
    QCOMPARE(form->ListModel()->rowCount(), 2);
    form->activateWindow();
    form->TreeView1->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return form->TreeView1->hasFocus(); }, 3000));
    // One arrow key away from "Post", whichever side "Leer" is on.
    const int postRow = form->TreeView1->indexOfTopLevelItem(form->TreeView1->currentItem());
    QTest::keyClick(form->TreeView1, postRow == 0 ? Qt::Key_Down : Qt::Key_Up);
    QCOMPARE(form->TreeView1->currentItem()->text(0), QString("Leer"));
    QCOMPARE(form->FCurrentFile, std::string("Leer.dbx"));
    QCOMPARE(form->ListModel()->rowCount(), 0);
    QTest::keyClick(form->TreeView1, postRow == 0 ? Qt::Key_Up : Qt::Key_Down);
    QCOMPARE(form->FCurrentFile, std::string("Post.dbx"));
    QCOMPARE(form->ListModel()->rowCount(), 2);
}

void WindowUseTest::messageWindowOpensWithNothingSelected()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    QVERIFY(WaitForPage(*form));
    bool checked = false;
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto& window = static_cast<TShowMailForm&>(dialog);
        window.show();
        QTest::qWait(100);
        for (QLineEdit* edit : {window.Edit1, window.Edit2, window.Edit3, window.Edit4})
            if (edit->hasSelectedText())
                return int(QDialog::Rejected);
        checked = true;
        return int(QDialog::Rejected);
    };
    form->ListView1DblClick();
    QVERIFY(checked);
}

void WindowUseTest::aBigMessageDoesNotFreezeTheWindow()
{
    GuiWorld world;
    TempFolder store;
    WritePostStore(store.Path(), {Message("klein", 2, "klein\r\n"), BigMessage(30'000'000)});
    auto form = OpenPost(world, store);
    SelectRow(*form, 0);
    QVERIFY(WaitForPage(*form));
    // Ticks every 10 ms; the longest gap between two ticks is how long the
    // window could not answer.
    QElapsedTimer clock, sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.restart());
    });
    clock.start();
    sinceTick.start();
    ticker.start();
    SelectRow(*form, 1);
    QVERIFY(form->PreviewPending());
    QVERIFY(ShownPage(*form, world).empty() == false);
    const qint64 composed = clock.elapsed();
    QVERIFY(WaitForPage(*form));
    ticker.stop();
    qInfo("big message: page ready after %lld ms, shown after %lld ms; longest unresponsive stretch %lld ms",
          static_cast<long long>(composed), static_cast<long long>(clock.elapsed()),
          static_cast<long long>(longestGap));
    QVERIFY2(longestGap < 1500, qPrintable(QString::number(longestGap)));
    // Selecting another message while a big one is composed drops the big one.
    SelectRow(*form, 0);
    QVERIFY(WaitForPage(*form));
    SelectRow(*form, 1);
    SelectRow(*form, 0);
    QVERIFY(WaitForPage(*form));
    QVERIFY(ShownPage(*form, world).find("klein") != std::string::npos);
    QVERIFY(ShownPage(*form, world).find("Auszeichnung") == std::string::npos);
}

void WindowUseTest::largeFoldersAreReadOffTheWindowsThread()
{
    GuiWorld world;
    TempFolder store;
    WritePostStore(store.Path(), {Message("eins", 1, "x\r\n"), Message("zwei", 2, "y\r\n"), Message("drei", 3, "z\r\n")});
    auto form = world.OpenWindow(store.Path());
    form->FBackgroundReadBytes = 0;  // every folder counts as large
    const auto post = form->TreeView1->findItems("Post", Qt::MatchExactly | Qt::MatchRecursive).first();
    const auto empty = form->TreeView1->findItems("Leer", Qt::MatchExactly | Qt::MatchRecursive).first();
    form->TreeView1->setCurrentItem(post);
    form->TreeView1Click();
    QVERIFY(form->FolderLoading());
    QCOMPARE(form->ListModel()->rowCount(), 0);  // the list fills when the file is read
    QVERIFY(QTest::qWaitFor([&] { return !form->FolderLoading(); }, 10000));
    QCOMPARE(form->ListModel()->rowCount(), 3);
    QCOMPARE(form->ListModel()->index(0, kColumnSubject).data().toString(), QString("drei"));  // newest first

    // Another folder chosen while one is read: only the last one fills the list.
    form->TreeView1Click();
    form->TreeView1->setCurrentItem(empty);
    form->TreeView1Click();
    QVERIFY(QTest::qWaitFor([&] { return !form->FolderLoading(); }, 10000));
    QTest::qWait(100);
    QCOMPARE(form->FCurrentFile, std::string("Leer.dbx"));
    QCOMPARE(form->ListModel()->rowCount(), 0);
    form->TreeView1->setCurrentItem(post);
    form->TreeView1Click();
    form->ListView1ColumnClick(kColumnSubject);  // sorted while the file is read
    QVERIFY(QTest::qWaitFor([&] { return !form->FolderLoading(); }, 10000));
    QCOMPARE(form->ListModel()->index(0, kColumnSubject).data().toString(), QString("drei"));
    QCOMPARE(form->ListModel()->index(2, kColumnSubject).data().toString(), QString("zwei"));
}

void WindowUseTest::anotherStoreOpensAndIsOfferedAgain()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    TempFolder other;
    WritePostStore(other.Path(), {Message("anderswo", 1, "x\r\n")});
    world.dialogs.chosenFolder = QString::fromStdString(other.Path());
    form->OpenStoreClick();
    QCOMPARE(world.dialogs.modalTitles.last(), QString::fromUtf8("Postablage öffnen"));
    QVERIFY(!form->TreeView1->findItems("Post", Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
    QVERIFY(form->TreeView1->findItems("Posteingang", Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
    QCOMPARE(ReadRecentStores(world.AppDir() + "stores.txt"), (std::vector<std::string>{other.Path(), world.StoreDir()}));

    // A folder without folders.dbx: each folder file is a folder.
    TempFolder loose;
    WritePostStore(loose.Path(), {Message("lose", 1, "y\r\n")});
    std::filesystem::remove(loose.File("folders.dbx"));
    form->OpenStore(loose.Path());
    QVERIFY(world.dialogs.errors.isEmpty());
    QVERIFY(!form->TreeView1->findItems("Post", Qt::MatchExactly | Qt::MatchRecursive).isEmpty());
    QCOMPARE(ReadRecentStores(world.AppDir() + "stores.txt"),
             (std::vector<std::string>{loose.Path(), other.Path(), world.StoreDir()}));

    emit form->StoreMenu->aboutToShow();
    QStringList entries;
    for (QAction* action : form->StoreMenu->actions())
        entries << action->text();
    QCOMPARE(entries.mid(2, 3), QStringList({QString::fromStdString(loose.Path()), QString::fromStdString(other.Path()),
                                             QString::fromStdString(world.StoreDir())}));
    QVERIFY(entries.contains(QString::fromUtf8("Postablage exportieren…")));
    form->close();
    QCOMPARE(std::filesystem::file_size(world.AppDir() + "options.dat"), std::uintmax_t(24));
}

void WindowUseTest::theWholeStoreIsExportedWithProgressAndCancel()
{
    GuiWorld world;
    auto form = world.OpenWindow();
    TempFolder target;
    QStringList summaries, tables;
    bool resumeOffered = false;
    QString opened;
    // Answers the format dialog (format, target, resume) and the result
    // dialog (its texts kept, the report opened).
    const auto answer = [&](const std::string& folder, bool maildir, bool resume = false) {
        world.dialogs.onModal = [&, folder, maildir, resume](QDialog& dialog) {
            if (auto* result = qobject_cast<TMigrateResultForm*>(&dialog)) {
                summaries << result->SummaryLabel->text();
                tables << result->TableEdit->toPlainText();
                result->OpenReport = [&](const QString& path) { opened = path; };
                result->OpenReportBtn->click();
                return int(QDialog::Accepted);
            }
            auto* migrate = qobject_cast<TMigrateForm*>(&dialog);
            if (!migrate)
                return int(QDialog::Rejected);
            (maildir ? migrate->MaildirCheck : migrate->MboxCheck)->setChecked(true);
            migrate->DirectoryEdit->SetText(QString::fromStdString(folder));
            resumeOffered = migrate->ResumeCheck->isEnabled();
            migrate->ResumeCheck->setChecked(resume);
            return int(QDialog::Accepted);
        };
    };
    // This store names a folder file that is missing: the export says it is
    // not complete, shows the table and opens the report.
    answer(target.File("unvollstaendig"), true);
    form->MigrateStoreClick();
    QCOMPARE(summaries.size(), 1);
    QVERIFY(summaries.first().contains(QString::fromUtf8("nicht vollständig")));
    QVERIFY(tables.first().contains("fehlt.dbx"));
    QCOMPARE(opened, QString::fromStdString(target.File("migration-report.json")));
    const auto report = ReadFileBytes(target.File("migration-report.json"));
    QVERIFY(report && report->find("fehlt.dbx") != std::string::npos);
    QVERIFY(std::filesystem::is_directory(target.File("unvollstaendig/.Lokale Ordner.Archiv.Zehn/cur")));
    QVERIFY(!resumeOffered);

    TempFolder clean;
    WritePostStore(clean.Path(), {Message("eins", 1, "x\r\n"), Message("zwei", 2, "y\r\n")});
    form->OpenStore(clean.Path());
    QList<int> percents;
    connect(form->StatusPanel1, &ProgressPanel::PercentChanged, form.get(), [&](int percent, int) { percents << percent; });
    answer(target.File("maildir"), true);
    form->MigrateStoreClick();
    QCOMPARE(summaries.size(), 2);
    QCOMPARE(summaries.last(), QString::fromUtf8("Es wurden 2 Nachrichten in 2 Ordnern übernommen und geprüft!"));
    QVERIFY(percents.contains(100));
    QCOMPARE(percents.last(), 0);
    QVERIFY(!form->FBusy);

    // The same target again: going on with the earlier run is offered; a
    // fresh run is refused with the reason.
    answer(target.File("maildir"), true, true);
    form->MigrateStoreClick();
    QVERIFY(resumeOffered);
    QCOMPARE(summaries.size(), 3);
    QVERIFY2(summaries.last().startsWith("Es wurden 2 Nachrichten"), qPrintable(summaries.last()));
    answer(target.File("maildir"), true, false);
    form->MigrateStoreClick();
    QCOMPARE(summaries.size(), 3);
    QCOMPARE(world.dialogs.errors.size(), 1);
    QVERIFY(world.dialogs.errors.first().contains(QString::fromUtf8("nicht leer")));

    // Cancelled during a larger run: the table says so, the window is idle,
    // and it answered all along (the run is on a worker).
    TempFolder large;
    std::vector<sw::StoreRecordDescription> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back(Message("Nachricht " + std::to_string(i), 1 + i % 28, std::string(4000, 'x') + "\r\n"));
    WritePostStore(large.Path(), many);
    form->OpenStore(large.Path());
    answer(target.File("mbox"), false);
    QTimer::singleShot(0, form.get(), [&] {
        if (form->FBusy)
            form->CancelBtn->click();
    });
    QElapsedTimer sinceTick;
    qint64 longestWait = 0;
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, form.get(), [&] {
        longestWait = std::max(longestWait, sinceTick.restart());
    });
    sinceTick.start();
    ticks.start(5);
    form->MigrateStoreClick();
    ticks.stop();
    qInfo("longest wait of the window during the run: %lld ms", static_cast<long long>(longestWait));
    QCOMPARE(summaries.size(), 4);
    QVERIFY2(summaries.last().startsWith("Der Export wurde abgebrochen"), qPrintable(summaries.last()));
    QVERIFY(tables.last().contains("Abgebrochen."));
    QVERIFY(!form->FBusy);
    QVERIFY(!form->CancelBtn->isEnabled());
}

void WindowUseTest::storeTextInTooltipsAndTitlesShowsAsWritten()
{
    GuiWorld world;
    TempFolder store;
    // A picture beside the store that rich text would read and show.
    const std::string picture = store.File("bild.png");
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    QVERIFY(red.save(QString::fromStdString(picture)));
    const std::string subject = "<h1>Gro\xDF</h1><img src=\"" + picture + "\"> [*] & Co";
    WritePostStore(store.Path(), {Message(subject, 1, "x\r\n")});
    const QString shown = QString::fromUtf8("<h1>Groß</h1><img src=\"") + QString::fromStdString(picture) + "\"> [*] & Co";
    auto form = OpenPost(world, store);
    QCOMPARE(form->ListModel()->rowCount(), 1);

    // Hovering the row shows its subject as written: no heading, no picture.
    QTreeView* list = form->ListView1;
    const QRect row = list->visualRect(form->ListModel()->index(0, kColumnSubject));
    QHelpEvent hover(QEvent::ToolTip, row.center(), list->viewport()->mapToGlobal(row.center()));
    QApplication::sendEvent(list->viewport(), &hover);
    QLabel* tip = nullptr;
    QVERIFY(QTest::qWaitFor([&] { return (tip = ShownTooltip()) != nullptr; }, 5000));
    QCOMPARE(ShownAsTooltip(tip->text()), shown);
    QToolTip::hideText();

    // Search results: the text around the match as well.
    const std::vector<Toe5_MessageInfo> messages(1);
    const std::vector<std::string> folders{"Post"}, snippets{"vor <img src=\"" + picture + "\"> nach\nZeile"};
    MessageListModel results;
    results.SetSearchTexts(&folders, &snippets);
    results.SetMessages(&messages, kColumnSubject, true);
    QCOMPARE(ShownAsTooltip(results.index(0, 0).data(Qt::ToolTipRole).toString()),
             QString::fromStdString(snippets.front()));

    // The message window's title keeps "[*]" and the rest as written.
    QString title;
    world.dialogs.onModal = [&](QDialog& dialog) {
        dialog.winId();
        title = dialog.windowHandle()->title();
        return int(QDialog::Rejected);
    };
    SelectRow(*form, 0);
    form->ListView1DblClick();
    QCOMPARE(title, shown);
}

void WindowUseTest::deepFolderTreesEndAtTheLastLevel()
{
    GuiWorld world;
    TempFolder store;
    std::vector<sw::StoreRecordDescription> folders;
    for (int id = 1; id <= 300; ++id)
        folders.push_back(sw::FolderRecord({.id = id, .parentId = id - 1, .name = "F" + std::to_string(id)}));
    sw::WriteFileBytes(store.File("folders.dbx"), sw::BuildStoreFile(folders).bytes);
    auto form = world.OpenWindow(store.Path());
    int deepest = 0;
    int count = 0;
    for (QTreeWidgetItemIterator it(form->TreeView1); *it; ++it, ++count) {
        int level = 1;
        for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent())
            ++level;
        deepest = std::max(deepest, level);
    }
    QCOMPARE(count, 300);
    QCOMPARE(deepest, 256);
    QCOMPARE(form->StatusPanel0->text(), QString::fromUtf8("44 Ordner tiefer als 256 Ebenen: auf Ebene 256 gezeigt"));
}
