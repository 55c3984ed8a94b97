// vellumine-viewerbench DEMO_STORE BENCH_STORE: the window's timings, under
// Xvfb. From creating the main window on the demo store to the newest
// message shown in the preview; and, on a store whose third folder holds
// many messages, the time to fill the list and to sort it by each column.

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>

#include "app/MainForm.h"
#include "app/MessageListModel.h"
#include "platform/WindowsPath.h"
#include "ui/Dialogs.h"

using namespace vellumine;

namespace {

class SilentDialogs : public QtDialogService {
public:
    void ShowError(QWidget*, const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
};

}  // namespace

int main(int argc, char** argv)
{
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    InitUiResources();
    if (argc < 3) {
        std::fprintf(stderr, "usage: vellumine-viewerbench DEMO_STORE BENCH_STORE\n");
        return 2;
    }
    SilentDialogs dialogs;
    {
        QElapsedTimer clock;
        clock.start();
        TMainForm window(MainFormSetup{ProgramDirectory(), std::make_shared<FolderStoreLocation>(argv[1]), &dialogs});
        window.show();
        const qint64 created = clock.elapsed();
        if (!QTest::qWaitFor([&] { return window.FDownloadComplete; }, 60000))
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
    QElapsedTimer clock;
    clock.start();
    window.TreeView1Click();
    QApplication::processEvents();
    std::printf("fill and sort %d messages (newest first): %lld ms\n", window.ListModel()->rowCount(),
                static_cast<long long>(clock.elapsed()));
    for (int column : {0, 1, 2, 3, 3}) {
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
    return 0;
}
