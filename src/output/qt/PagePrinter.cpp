#include "output/qt/PagePrinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QUrl>

#include "platform/FileAccess.h"
#include "platform/Error.h"
#include "render/MessagePage.h"
#include "render/PageMargins.h"
#include "render/qt/BrowserView.h"

namespace vellumine {
namespace {

// Handles events until `pending` turns false; raises `failure` after the time.
void WaitWhile(const std::function<bool()>& pending, int timeoutMilliseconds, const char* failure)
{
    QElapsedTimer clock;
    clock.start();
    while (pending()) {
        if (clock.elapsed() > timeoutMilliseconds)
            throw Error(failure);
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
}

}  // namespace

std::unique_ptr<QPrinter> DefaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

QPageLayout FirstRunPageLayout(const QPrinter& printer, const std::string& templatePath)
{
    PageMargins margins;
    if (!templatePath.empty()) {
        if (const auto text = ReadFileBytes(templatePath)) {
            if (const auto asked = TemplatePageMargins(*text))
                margins = *asked;
        }
    }
    const QPageLayout current = printer.pageLayout();
    return QPageLayout(current.pageSize(), current.orientation(),
                       QMarginsF(margins.left, margins.top, margins.right, margins.bottom), QPageLayout::Millimeter);
}

PagePrinter::PagePrinter(BrowserView& view, PrintSettings settings) : FView(view), FSettings(std::move(settings)) {}

PagePrinter::~PagePrinter() = default;

void PagePrinter::PrintMessage(const std::string& source, const HeaderFields& fields)
{
    FView.NavigateBlank();
    bool loaded = false;
    const QMetaObject::Connection watch = QObject::connect(&FView, &BrowserView::DownloadComplete, [&loaded] { loaded = true; });
    const std::string page = FSettings.tempFolder + "print.htm";
    try {
        ComposeMessagePage(source, fields, PageRequest{page, FSettings.tempFolder, true, FSettings.design, FSettings.record});
        const QUrl pageUrl = QUrl::fromLocalFile(QString::fromStdString(page));
        FView.Navigate(QString::fromStdString(page));
        WaitWhile([&] { return !(loaded && FView.LastLoadedUrl() == pageUrl); }, FSettings.pageWaitMilliseconds,
                  "Die Druckseite konnte nicht geladen werden. Der Druck wurde abgebrochen");
    } catch (...) {
        QObject::disconnect(watch);
        throw;
    }
    QObject::disconnect(watch);
    if (FView.Busy())  // an earlier print that never finished still uses its printer
        throw Error("Der Drucker ist noch mit der vorigen Seite beschäftigt");
    FPrinter = FSettings.printerFactory ? FSettings.printerFactory() : nullptr;
    if (!FPrinter)
        throw Error("Es ist kein Drucker eingerichtet");
    // A layout chosen in the page set-up dialog wins over the first run's.
    const QPageLayout layout = FSettings.chosenLayout.isValid()
                                   ? FSettings.chosenLayout
                                   : FirstRunPageLayout(*FPrinter, FSettings.design.templatePath);
    FView.Print(FPrinter.get(), layout);
    WaitWhile([&] { return FView.Busy(); }, 10 * FSettings.pageWaitMilliseconds,
              "Der Drucker hat die Seite nicht angenommen");
    FPrinter.reset();
}

}  // namespace vellumine
