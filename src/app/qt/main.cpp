// vellumine [STORE_FOLDER]: the viewer. Without an argument the store
// folder is the one the registry names, as the mail client recorded it.

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <unistd.h>

#include "app/qt/MainForm.h"
#include "platform/RegFile.h"
#include "platform/WindowsPath.h"
#include "ui/Dialogs.h"

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
    if (arguments.size() > 1)
        location = std::make_shared<FolderStoreLocation>(arguments.at(1).toStdString());
    else
        location = std::make_shared<RegistryStoreLocation>(std::shared_ptr<const Registry>(LoadUserRegistry()));
    QtDialogService dialogs;
    TMainForm window(MainFormSetup{ProgramDirectory(), location, &dialogs});
    window.show();
    return application.exec();
}
