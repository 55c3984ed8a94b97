// vellumine-viewerbench DEMO_STORE BENCH_STORE: the window's timings, under
// Xvfb. From creating the main window on the demo store to the newest
// message shown in the preview; on a store from vellumine-benchstore, the
// time to fill the list of "Bench", to get its paperclip marks and to sort it
// by each column, and for the one large message of "Big" how long composing
// it would block the window on the window's thread against the longest
// stretch the window really stays unresponsive while the message is selected and shown; with a third
// argument, the whole store migrated from the window into that folder.

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QItemSelectionModel>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "app/qt/MigrateForm.h"
#include "app/qt/MigrateResultForm.h"
#include <QLabel>
#include <QRadioButton>
#include "ui/FolderEdit.h"
#include "ui/ProgressPanel.h"
#include "platform/WindowsPath.h"
#include "platform/ProgramFolders.h"
#include "render/MessagePage.h"
#include "render/TempFiles.h"
#include "render/qt/BrowserView.h"
#include "ui/Dialogs.h"

using namespace vellumine;

namespace {

class SilentDialogs : public QtDialogService {
public:
    void ShowError(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    // "Postablage exportieren" into `migrationTarget` as Maildir; its result
    // is printed.
    int ExecModal(QDialog& dialog) override
    {
        if (auto* form = qobject_cast<TMigrateForm*>(&dialog)) {
            form->MaildirCheck->setChecked(true);
            form->DirectoryEdit->SetText(migrationTarget);
            return QDialog::Accepted;
        }
        if (auto* result = qobject_cast<TMigrateResultForm*>(&dialog)) {
            std::printf("migration: %s\n", qPrintable(result->SummaryLabel->text()));
            // A real dialog runs its own event loop: the stretch up to here
            // is one the user meets before the table shows.
            if (resultShown)
                resultShown();
            QTest::qWait(100);
            return QDialog::Accepted;
        }
        return QtDialogService::ExecModal(dialog);
    }
    QString migrationTarget;
    std::function<void()> resultShown;  // called as the migration's table is shown
};

QTreeWidgetItem* FolderItem(TMainForm& window, const QString& name)
{
    QTreeWidgetItemIterator it(window.TreeView1);
    while (*it && (*it)->text(0) != name)
        ++it;
    return *it;
}

void MeasureBigMessage(TMainForm& window)
{
    QTreeWidgetItem* big = FolderItem(window, QStringLiteral("Big"));
    if (!big)
        return;
    window.TreeView1->setCurrentItem(big);
    window.TreeView1Click();
    window.ListView1->selectionModel()->clearSelection();
    QApplication::processEvents();
    if (window.FMessages.empty())
        return;
    const Toe5_MessageInfo info = window.FMessages.front();
    // What selecting it cost the window when everything ran on its thread.
    QElapsedTimer clock;
    clock.start();
    {
        const std::string source = window.Reader().ReadMessageSource("Big.dbx", info.SourceOffset);
        TTempFileList files;
        WritePreviewPage(ComposePreviewPage(source, HeaderFieldsOf(info), true, window.CurrentDesign()),
                         window.TempFolder() + "bench.htm", window.TempFolder(), &files);
        files.DeleteTempFiles();
        std::printf("large message (%zu MB): read, composed and written on the window's thread: %lld ms\n",
                    source.size() >> 20, static_cast<long long>(clock.elapsed()));
    }
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    sinceTick.start();
    ticker.start();
    clock.restart();
    window.ListView1->selectionModel()->select(window.ListModel()->index(0, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const bool shown = QTest::qWaitFor([&] { return !window.PreviewPending(); }, 120000) &&
                       QTest::qWaitFor([&] {
                           return window.WebBrowser1->LastLoadedUrl() == window.WebBrowser1->LocationURL();
                       }, 60000);
    if (!shown)
        std::fprintf(stderr, "the large message was not shown\n");
    ticker.stop();
    std::printf("large message selected in the window: shown after %lld ms, longest unresponsive stretch %lld ms\n",
                static_cast<long long>(clock.elapsed()), static_cast<long long>(longestGap));
}

// The whole store migrated from the window: how long the run takes, how
// often the progress bar was painted, and the longest stretch the window
// stays unresponsive meanwhile, the ones before the table shows and after it
// closes included.
void MeasureMigration(TMainForm& window, SilentDialogs& dialogs, const char* target)
{
    dialogs.migrationTarget = QString::fromLocal8Bit(target);
    QElapsedTimer clock, sinceTick;
    qint64 longestGap = 0, longestGapAt = 0, gapsOver200 = 0;
    const auto noteGap = [&] {
        const qint64 gap = sinceTick.restart();
        gapsOver200 += gap > 200 ? 1 : 0;
        if (gap > longestGap) {
            longestGap = gap;
            longestGapAt = clock.elapsed();
        }
    };
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, noteGap);
    dialogs.resultShown = noteGap;  // no tick ends the stretch before the table
    const int paintsBefore = window.StatusPanel1->PaintCount();
    sinceTick.start();
    ticker.start();
    clock.start();
    window.MigrateStoreClick();
    noteGap();  // nor the one after it
    dialogs.resultShown = nullptr;
    ticker.stop();
    std::printf("migration of the store from the window (Maildir): %lld ms, progress bar painted %d times, "
                "longest unresponsive stretch %lld ms (ending %lld ms after the start), stretches over 200 ms: %lld\n",
                static_cast<long long>(clock.elapsed()), window.StatusPanel1->PaintCount() - paintsBefore,
                static_cast<long long>(longestGap), static_cast<long long>(longestGapAt),
                static_cast<long long>(gapsOver200));
}

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    InitUiResources();
    if (argc < 3) {
        std::fprintf(stderr, "usage: vellumine-viewerbench DEMO_STORE BENCH_STORE [MIGRATION_TARGET]\n");
        return 2;
    }
    SilentDialogs dialogs;
    {
        QElapsedTimer clock;
        clock.start();
        TMainForm window(MainFormSetup{ProgramDirectory(), std::make_shared<FolderStoreLocation>(argv[1]), &dialogs});
        window.show();
        const qint64 created = clock.elapsed();
        const auto shown = [&] {
            return !window.PreviewPending() && window.WebBrowser1->LocationURL().isLocalFile() &&
                   window.WebBrowser1->LastLoadedUrl() == window.WebBrowser1->LocationURL();
        };
        if (!QTest::qWaitFor(shown, 60000))
            std::fprintf(stderr, "the page did not load\n");
        std::printf("demo store: window created %lld ms, first message shown %lld ms after start\n",
                    static_cast<long long>(created), static_cast<long long>(clock.elapsed()));
    }
    TMainForm window(MainFormSetup{ProgramDirectory(), std::make_shared<FolderStoreLocation>(argv[2]), &dialogs});
    window.show();
    QTreeWidgetItemIterator it(window.TreeView1);
    while (*it && (*it)->text(0) != QStringLiteral("Bench"))
        ++it;
    if (!*it)
        return 1;
    window.TreeView1->setCurrentItem(*it);
    QElapsedTimer clock, sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
    clock.start();
    window.TreeView1Click();
    const qint64 blocked = clock.elapsed();
    sinceTick.start();
    ticker.start();
    if (!QTest::qWaitFor([&] { return !window.FolderLoading(); }, 60000))
        std::fprintf(stderr, "the folder was not read\n");
    QApplication::processEvents();
    ticker.stop();
    std::printf("open a folder of %d messages (read and sorted newest first): list filled after %lld ms; "
                "the click held the window %lld ms, longest unresponsive stretch after it %lld ms\n",
                window.ListModel()->rowCount(), static_cast<long long>(clock.elapsed()),
                static_cast<long long>(blocked), static_cast<long long>(longestGap));
    // The paperclip marks arrive after the list, from a worker.
    longestGap = 0;
    sinceTick.restart();
    ticker.start();
    if (!QTest::qWaitFor([&] { return !window.AttachmentMarksPending(); }, 120000))
        std::fprintf(stderr, "the paperclip marks did not arrive\n");
    ticker.stop();
    std::printf("paperclip marks of all %d messages in after %lld ms; longest unresponsive stretch meanwhile %lld ms\n",
                window.ListModel()->rowCount(), static_cast<long long>(clock.elapsed()),
                static_cast<long long>(longestGap));
    for (int column : {0, 1, 2, 3, 3, 4}) {
        clock.restart();
        window.ListView1ColumnClick(column);
        QApplication::processEvents();
        std::printf("sort by column %d (%s): %lld ms\n", column, window.FSortDescending ? "descending" : "ascending",
                    static_cast<long long>(clock.elapsed()));
    }
    clock.restart();
    window.QuitBtnClick();
    QApplication::processEvents();
    std::printf("select all: %lld ms\n", static_cast<long long>(clock.elapsed()));
    MeasureBigMessage(window);
    if (argc > 3)
        MeasureMigration(window, dialogs, argv[3]);
    return 0;
}
