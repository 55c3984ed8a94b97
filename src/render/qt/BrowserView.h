#pragma once
// The browser control of the preview, the message window and printing: a
// web view that shows local pages only. It runs no JavaScript and loads
// nothing but file: and data: addresses and the blank page, so a message
// cannot reach the network or run code; its text still shows.

#include <QUrl>
#include <QWebEngineView>

namespace vellumine {

class BrowserView : public QWebEngineView {
    Q_OBJECT
public:
    explicit BrowserView(QWidget* parent = nullptr);

    void Navigate(const QString& filePath);
    void NavigateBlank();
    // The address of the page shown (LocationURL).
    QUrl LocationURL() const { return url(); }
    bool Busy() const { return FBusy; }
    void SetBusy(bool busy) { FBusy = busy; }

    // Whether a request to this address may load.
    static bool IsAllowedUrl(const QUrl& url);

signals:
    // Every completed load, successful or not.
    void DownloadComplete();

private:
    bool FBusy = false;
};

}  // namespace vellumine
