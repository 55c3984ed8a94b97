// vellumine [STORE_FOLDER]: the viewer. Without an argument the store
// folder is the one shown last, else the one the registry names, as the
// mail client recorded it.

#include <QApplication>
#include <QSocketNotifier>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "app/qt/MainForm.h"
#include "platform/RegFile.h"
#include "platform/WindowsPath.h"
#include "ui/Dialogs.h"

namespace {

int gSignalPipe[2] = {-1, -1};

void OnTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(gSignalPipe[1], &byte, 1);
}

// SIGTERM, SIGINT and SIGHUP close the window as its close box does (a run
// is cancelled first), so that the settings are written and the temporary
// folder is removed; the handler only wakes the event loop.
void CloseWindowsOnTerminate(QApplication& application)
{
    if (::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [] {
        char byte = 0;
        while (::read(gSignalPipe[0], &byte, 1) > 0) {
        }
        QApplication::closeAllWindows();
    });
    struct sigaction action {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    // The browser engine refuses to start as root with its sandbox on.
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumine"));
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    vellumine::InitUiResources();
    vellumine::InstallGermanQtTranslations();

    using namespace vellumine;
    std::shared_ptr<const StoreLocation> location;
    const QStringList arguments = QApplication::arguments();
    // A store named on the command line, else the one shown last when it
    // is another than the registry's (which is asked afresh for every
    // file, as the mail client may move it), else the registry's.
    if (arguments.size() > 1) {
        location = std::make_shared<FolderStoreLocation>(arguments.at(1).toStdString());
    } else {
        location = std::make_shared<RegistryStoreLocation>(std::shared_ptr<const Registry>(LoadUserRegistry()));
        if (const std::string last = LastStoreFolder(ProgramDirectory()); !last.empty() && last != StoreFolderOf(*location))
            location = std::make_shared<FolderStoreLocation>(last);
    }
    QtDialogService dialogs;
    TMainForm window(MainFormSetup{ProgramDirectory(), location, &dialogs});
    window.show();
    CloseWindowsOnTerminate(application);
    return application.exec();
}
