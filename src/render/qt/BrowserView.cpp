#include "render/qt/BrowserView.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>

namespace vellumine {
namespace {

// Blocks every request of a page (images, style sheets, frames) that is
// not local.
class LocalOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override
    {
        if (!BrowserView::IsAllowedUrl(info.requestUrl()))
            info.block(true);
    }
};

class LocalOnlyPage : public QWebEnginePage {
public:
    LocalOnlyPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent)
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
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
    {
        return BrowserView::IsAllowedUrl(url);
    }
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
};

QWebEngineProfile* LocalOnlyProfile()
{
    static QWebEngineProfile* profile = [] {
        auto* p = new QWebEngineProfile();  // off the record: nothing is stored on disk
        p->setUrlRequestInterceptor(new LocalOnlyInterceptor(p));
        p->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        return p;
    }();
    return profile;
}

}  // namespace

BrowserView::BrowserView(QWidget* parent) : QWebEngineView(parent)
{
    setPage(new LocalOnlyPage(LocalOnlyProfile(), this));
    setContextMenuPolicy(Qt::NoContextMenu);
    connect(this, &QWebEngineView::loadStarted, this, [this] { FLastLoaded.clear(); });
    connect(this, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (ok)
            FLastLoaded = url();
        emit DownloadComplete();
    });
    connect(this, &QWebEngineView::printFinished, this, [this](bool) { FBusy = false; });
}

bool BrowserView::IsAllowedUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("file") || scheme == QLatin1String("data") ||
           url.toString() == QLatin1String("about:blank");
}

void BrowserView::Navigate(const QString& filePath)
{
    setUrl(QUrl::fromLocalFile(filePath));
}

void BrowserView::Print(QPrinter* printer)
{
    FBusy = true;
    print(printer);
}

void BrowserView::NavigateBlank()
{
    setUrl(QUrl(QStringLiteral("about:blank")));
}

}  // namespace vellumine
