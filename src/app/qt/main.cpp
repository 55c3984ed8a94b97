// vellumine [STORE_FOLDER | FILE.dbx]: the viewer. Without an argument the
// store folder is the one shown last, else the one the registry names, as
// the mail client recorded it.

#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <fcntl.h>
#include <unistd.h>

#include "app/ViewerArguments.h"
#include "app/qt/MainForm.h"
#include "platform/ProgramFolders.h"
#include "platform/RegFile.h"
#include "platform/Version.h"
#include "ui/Dialogs.h"

namespace {

std::vector<std::string> ArgumentsAfterProgram(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::vector<std::string> ArgumentsAfterProgram(const QStringList& arguments)
{
    std::vector<std::string> list;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        list.push_back(arguments.at(i).toStdString());
    return list;
}

// Answers what needs no window; -1 when the window is to start.
int AnswerWithoutWindow(const vellumine::ViewerRequest& request)
{
    using Kind = vellumine::ViewerRequest::Kind;
    switch (request.kind) {
    case Kind::ShowVersion:
        std::cout << vellumine::ViewerVersionText() << '\n';
        return 0;
    case Kind::ShowHelp:
        std::cout << vellumine::ViewerHelpText();
        return 0;
    case Kind::ShowManPageOptions:
        std::cout << vellumine::ViewerManPageOptions();
        return 0;
    case Kind::Refuse:
        std::cerr << "vellumine: " << request.problem << "\n\n" << vellumine::ViewerHelpText();
        return 2;
    case Kind::OpenStore:
        break;
    }
    return -1;
}

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
    using namespace vellumine;
    // --version, --help and a wrong command line answer before Qt looks for
    // a display; with one of Qt's own options (-platform, -style, ...) the
    // line is judged once Qt has taken those out.
    const auto raw = ArgumentsAfterProgram(argc, argv);
    const ViewerRequest early = ReadViewerArguments(raw);
    const bool withQtOptions = std::any_of(raw.begin(), raw.end(), [](const std::string& argument) {
        return argument.size() > 1 && argument[0] == '-' && argument[1] != '-';
    });
    if (early.kind != ViewerRequest::Kind::OpenStore && (early.kind != ViewerRequest::Kind::Refuse || !withQtOptions))
        return AnswerWithoutWindow(early);

    // The browser engine refuses to start as root with its sandbox on.
    if (::geteuid() == 0)
        ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellumine"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVellumineVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("example.tarnwick.Vellumine"));
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");

    // Qt has taken its own options (-platform, -style, ...) out by now.
    const ViewerRequest request = ReadViewerArguments(ArgumentsAfterProgram(QApplication::arguments()));
    if (const int status = AnswerWithoutWindow(request); status >= 0)
        return status;

    vellumine::InitUiResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/about.svg")));
    vellumine::InstallGermanQtTranslations();
    std::shared_ptr<const StoreLocation> location;
    if (!request.storeFolder.empty()) {
        location = std::make_shared<FolderStoreLocation>(request.storeFolder);
    } else {
        location = std::make_shared<RegistryStoreLocation>(std::shared_ptr<const Registry>(LoadUserRegistry()));
        if (const std::string last = LastStoreFolder(SettingsFolder()); !last.empty() && last != StoreFolderOf(*location))
            location = std::make_shared<FolderStoreLocation>(last);
    }
    QtDialogService dialogs;
    TMainForm window(
        MainFormSetup{ProgramDirectory(), location, &dialogs, TemplateFolder(), SettingsFolder(), request.startFile});
    window.show();
    CloseWindowsOnTerminate(application);
    return application.exec();
}
