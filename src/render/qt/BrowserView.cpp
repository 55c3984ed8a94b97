#include "render/qt/BrowserView.h"

#include <QAction>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QKeyEvent>
#include <QMetaMethod>
#include <QMenu>
#include <QWheelEvent>
#include <algorithm>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineContextMenuRequest>

#include "render/AttachmentList.h"

namespace vellumine {
namespace {

// Blocks every request of a page (images, style sheets, frames) that is
// not local or lies outside the page's folder.
class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    LocalOnlyInterceptor(BrowserView* view, QObject* parent) : QWebEngineUrlRequestInterceptor(parent), FView(view) {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (!FView->AllowsRequest(info.requestUrl()))
            info.block(true);
    }

private:
    BrowserView* FView;
};

class LocalOnlyPage : public QWebEnginePage {
public:
    LocalOnlyPage(QWebEngineProfile* profile, BrowserView* view) : QWebEnginePage(profile, view), FView(view)
    {
        QWebEngineSettings* s = settings();
        s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
        s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
        s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
        s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
        s->setAttribute(QWebEngineSettings::AutoLoadImages, true);
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
        setUrlRequestInterceptor(new LocalOnlyInterceptor(view, this));
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override
    {
        return FView->AllowsNavigation(url, isMainFrame);
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

private:
    BrowserView* FView;
};

QWebEngineProfile* LocalOnlyProfile()
{
    static QWebEngineProfile* profile = [] {
        auto* p = new QWebEngineProfile();  // off the record: nothing is stored on disk
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        return p;
    }();
    return profile;
}

QUrl WithoutFragment(const QUrl& url)
{
    return url.adjusted(QUrl::RemoveFragment);
}

}  // namespace

BrowserView::BrowserView(QWidget* parent) : QWebEngineView(parent)
{
    setPage(new LocalOnlyPage(LocalOnlyProfile(), this));
    // The engine's own menu offers navigation and saving; the page gets a
    // menu of its own (contextMenuEvent).
    setContextMenuPolicy(Qt::DefaultContextMenu);
    // Loads are told apart by their address: a refused navigation of the
    // page starts and fails a load of its own, which must not make the page
    // shown look unloaded.
    connect(page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (QWidget* engine = focusProxy())
            engine->installEventFilter(this);  // the engine's widget exists by now
        switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            if (IsExpected(info.url()))
                FLastLoaded.clear();
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            if (!info.isErrorPage())
                FLastLoaded = info.url();
            break;
        default:
            break;
        }
        emit DownloadComplete();
    });
    connect(this, &QWebEngineView::printFinished, this, [this](bool) { FBusy = false; });
    connect(page(), &QWebEnginePage::pdfPrintingFinished, this, [this](const QString& path, bool ok) {
        if (!FSpoolFile.isEmpty() && path == FSpoolFile) {
            if (ok)
                SubmitToSpooler(path, FSpoolPrinter);
            QFile::remove(path);
            FSpoolFile.clear();
        }
        FBusy = false;
    });
}

bool BrowserView::IsAllowedUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("file") || scheme == QLatin1String("data") ||
           url.toString() == QLatin1String("about:blank");
}

bool BrowserView::IsAllowedRequest(const QUrl& url, const QString& folder)
{
    if (!IsAllowedUrl(url))
        return false;
    if (url.scheme().toLower() != QLatin1String("file"))
        return true;
    if (folder.isEmpty() || !url.host().isEmpty())
        return false;
    const QString path = QDir::cleanPath(url.toLocalFile());
    return path.startsWith(folder + QLatin1Char('/'));
}

bool BrowserView::AllowsRequest(const QUrl& url)
{
    QMutexLocker lock(&FGuard);
    const bool allowed = IsAllowedRequest(url, FAllowedFolder);
    FRefused += allowed ? 0 : 1;
    return allowed;
}

bool BrowserView::AllowsNavigation(const QUrl& url, bool isMainFrame)
{
    if (const std::size_t number = AttachmentNumberOfHref(url.toString().toStdString()); number != 0 && isMainFrame) {
        // The window saves the file; the dialog must not open while the
        // engine waits for this answer.
        QMetaObject::invokeMethod(this, [this, number] { emit AttachmentLinkClicked(number); }, Qt::QueuedConnection);
        return false;
    }
    QMutexLocker lock(&FGuard);
    // The view shows the page the program chose and nothing else: a refresh,
    // a link or a form of the page never takes it elsewhere. Frames load
    // under the same rules as images.
    const bool allowed = isMainFrame ? WithoutFragment(url) == WithoutFragment(FExpectedUrl)
                                     : IsAllowedRequest(url, FAllowedFolder);
    FRefused += allowed ? 0 : 1;
    return allowed;
}

bool BrowserView::IsExpected(const QUrl& url) const
{
    QMutexLocker lock(&FGuard);
    return WithoutFragment(url) == WithoutFragment(FExpectedUrl);
}

int BrowserView::RefusedCount() const
{
    QMutexLocker lock(&FGuard);
    return FRefused;
}

void BrowserView::Navigate(const QString& filePath, const QString& query)
{
    QUrl target = QUrl::fromLocalFile(filePath);
    if (!query.isEmpty())
        target.setQuery(query);
    {
        QMutexLocker lock(&FGuard);
        FAllowedFolder = QDir::cleanPath(QFileInfo(filePath).absolutePath());
        FExpectedUrl = target;
    }
    setUrl(target);
}

void BrowserView::NavigateUrl(const QUrl& url)
{
    if (url.isLocalFile())
        Navigate(url.toLocalFile(), url.query());
    else
        NavigateBlank();
}

void BrowserView::Print(QPrinter* printer, const QPageLayout& layout)
{
    FBusy = true;
    const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty()) {
        page()->printToPdf(printer->outputFileName(), layout);
    } else if (!lp.isEmpty()) {
        QTemporaryFile spool(QDir::tempPath() + QStringLiteral("/vellumine-druck-XXXXXX.pdf"));
        spool.setAutoRemove(false);
        if (!spool.open()) {
            FBusy = false;
            return;
        }
        FSpoolFile = spool.fileName();
        FSpoolPrinter = printer->printerName();
        page()->printToPdf(FSpoolFile, layout);
    } else {
        printer->setPageLayout(layout);
        print(printer);
    }
}

void BrowserView::SubmitToSpooler(const QString& pdfPath, const QString& printerName)
{
    QStringList arguments;
    if (!printerName.isEmpty())
        arguments << QStringLiteral("-d") << printerName;
    arguments << QStringLiteral("-s") << pdfPath;
    QProcess::execute(QStringLiteral("lp"), arguments);
}

void BrowserView::SetZoom(qreal factor)
{
    setZoomFactor(std::clamp(factor, 0.25, 5.0));
}

void BrowserView::ZoomIn()
{
    SetZoom(zoomFactor() * 1.2);
}

void BrowserView::ZoomOut()
{
    SetZoom(zoomFactor() / 1.2);
}

void BrowserView::ResetZoom()
{
    SetZoom(1.0);
}

QMenu* BrowserView::MakeContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* copy = menu->addAction(QStringLiteral("Kopieren"), [this] { page()->triggerAction(QWebEnginePage::Copy); });
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(hasSelection());
    menu->addAction(QStringLiteral("Alles markieren"), [this] { page()->triggerAction(QWebEnginePage::SelectAll); })
        ->setShortcut(QKeySequence::SelectAll);
    menu->addSeparator();
    menu->addAction(QString::fromUtf8("Vergrößern"), [this] { ZoomIn(); })->setShortcut(QKeySequence::ZoomIn);
    menu->addAction(QStringLiteral("Verkleinern"), [this] { ZoomOut(); })->setShortcut(QKeySequence::ZoomOut);
    if (ExtendContextMenu) {
        const QWebEngineContextMenuRequest* request = lastContextMenuRequest();
        const std::size_t number =
            request ? AttachmentNumberOfHref(request->linkUrl().toString().toStdString()) : std::size_t{0};
        ExtendContextMenu(*menu, number);
    }
    return menu;
}

void BrowserView::AddZoomShortcuts(QWidget* window)
{
    const auto add = [&](const QList<QKeySequence>& keys, void (BrowserView::*zoom)()) {
        auto* action = new QAction(window);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, zoom);
        window->addAction(action);
    };
    // Ctrl+= too: on German and US keyboards plus needs Shift, and that
    // arrives as Ctrl+Shift+= or Ctrl++ depending on the layout.
    // (A key given twice would be ambiguous and trigger nothing.)
    add({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, &BrowserView::ZoomIn);
    add({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &BrowserView::ZoomOut);
    add({QKeySequence(Qt::CTRL | Qt::Key_0)}, &BrowserView::ResetZoom);
}

void BrowserView::contextMenuEvent(QContextMenuEvent* event)
{
    MakeContextMenu(this)->popup(event->globalPos());
}

bool BrowserView::event(QEvent* event)
{
    // The engine paints and takes input in a child widget of its own: the
    // mouse wheel with Ctrl is caught there.
    if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
        if (QObject* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
            child->installEventFilter(this);
    }
    return QWebEngineView::event(event);
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event)
{
    // The engine's widget takes the keys before any shortcut of the window
    // sees them: the zoom keys and Esc are caught on their way in.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool control = key->modifiers() & Qt::ControlModifier;
        if (control && (key->key() == Qt::Key_Plus || key->key() == Qt::Key_Equal)) {
            ZoomIn();
            return true;
        }
        if (control && key->key() == Qt::Key_Minus) {
            ZoomOut();
            return true;
        }
        if (control && key->key() == Qt::Key_0) {
            ResetZoom();
            return true;
        }
        if (key->key() == Qt::Key_Escape && isSignalConnected(QMetaMethod::fromSignal(&BrowserView::EscapePressed))) {
            emit EscapePressed();
            return true;
        }
    }
    if (event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = wheel->angleDelta().y();
            if (steps > 0)
                ZoomIn();
            else if (steps < 0)
                ZoomOut();
            return true;
        }
    }
    return QWebEngineView::eventFilter(watched, event);
}

void BrowserView::NavigateBlank()
{
    const QUrl blank(QStringLiteral("about:blank"));
    {
        QMutexLocker lock(&FGuard);
        FAllowedFolder.clear();
        FExpectedUrl = blank;
    }
    setUrl(blank);
}

}  // namespace vellumine
