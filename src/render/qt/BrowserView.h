#pragma once
// The browser control of the preview, the message window and printing: a
// web view that shows local pages only. It runs no JavaScript and loads
// nothing but file: and data: addresses and the blank page, so a message
// cannot reach the network or run code; its text still shows.

#include <QUrl>
#include <QWebEngineView>

class QPrinter;

namespace vellumine {

class BrowserView : public QWebEngineView {
    Q_OBJECT
public:
    explicit BrowserView(QWidget* parent = nullptr);

    void Navigate(const QString& filePath);
    void NavigateBlank();
    // The address of the page shown (LocationURL).
    QUrl LocationURL() const { return url(); }
    // True from Print until the page has been handed to the printer.
    bool Busy() const { return FBusy; }
    // Prints the page shown, without a dialog.
    void Print(QPrinter* printer);
    // The address of the last page that loaded completely.
    QUrl LastLoadedUrl() const { return FLastLoaded; }

    // Whether a request to this address may load.
    static bool IsAllowedUrl(const QUrl& url);

signals:
    // Every completed load, successful or not.
    void DownloadComplete();

private:
    bool FBusy = false;
    QUrl FLastLoaded;
};

}  // namespace vellumine
