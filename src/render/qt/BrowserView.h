#pragma once
// The browser control of the preview, the message window and printing: a
// web view that shows local pages only. It runs no JavaScript and loads
// nothing but file: and data: addresses and the blank page, so a message
// cannot reach the network or run code; its text still shows. File loads
// stay inside the folder of the page the program navigated to, and the
// page itself cannot navigate the view anywhere else.

#include <QMutex>
#include <functional>
#include <QPageLayout>
#include <QUrl>
#include <QWebEngineView>

class QMenu;
class QPrinter;

namespace vellumine {

class BrowserView : public QWebEngineView {
    Q_OBJECT
public:
    explicit BrowserView(QWidget* parent = nullptr);

    // Shows a local page; its own folder is the only one it may load from.
    // A query makes the address differ from the page shown before, so that
    // the engine starts at the top instead of where that page was scrolled.
    void Navigate(const QString& filePath, const QString& query = {});
    // Shows a local page by its address, or the blank page for any other.
    void NavigateUrl(const QUrl& url);
    void NavigateBlank();
    // The address of the page shown (LocationURL).
    QUrl LocationURL() const { return url(); }
    // True from Print until the page has been handed to the printer.
    bool Busy() const { return FBusy; }
    // Prints the page shown, without a dialog, on pages of `layout`. The
    // engine's own PDF output keeps the text as text: a printer that writes
    // a PDF file gets it directly, a printer of the system's spooler gets it
    // through "lp"; only without a spooler is the page printed as pictures.
    void Print(QPrinter* printer, const QPageLayout& layout);
    // The address of the last page that loaded completely.
    QUrl LastLoadedUrl() const { return FLastLoaded; }
    // Requests and navigations refused so far (for the diagnostics of tests).
    int RefusedCount() const;

    // Zoom of the page shown (also Ctrl and the mouse wheel), between a
    // quarter and five times the page's size.
    void ZoomIn();
    void ZoomOut();
    void ResetZoom();
    // The menu of the page: "Kopieren", "Alles markieren", "Vergrößern",
    // "Verkleinern". Built anew for each opening; the caller shows it.
    QMenu* MakeContextMenu(QWidget* parent);
    // What the window adds to that menu: the entry of the page's list
    // "Anlagen" under the mouse (its number, 0 when none) and the menu.
    std::function<void(QMenu& menu, std::size_t attachmentNumber)> ExtendContextMenu;
    // Ctrl+plus, Ctrl+minus and Ctrl+0 anywhere in `window` zoom this view.
    void AddZoomShortcuts(QWidget* window);

    // Whether a request to this address may load at all: file:, data: and
    // the blank page.
    static bool IsAllowedUrl(const QUrl& url);
    // Whether a request may load for a page in `folder`: as above, and a
    // file: address only inside that folder.
    static bool IsAllowedRequest(const QUrl& url, const QString& folder);

    // The page's checks, called from the engine.
    bool AllowsRequest(const QUrl& url);
    bool AllowsNavigation(const QUrl& url, bool isMainFrame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

signals:
    // Every completed load, successful or not.
    void DownloadComplete();
    // Esc in the page (which takes every key for itself): the window may close.
    void EscapePressed();
    // A click on an entry of the page's list "Anlagen" ("anlage:N"); the
    // page itself stays where it is.
    void AttachmentLinkClicked(std::size_t number);

private:
    bool IsExpected(const QUrl& url) const;
    void SetZoom(qreal factor);
    static void SubmitToSpooler(const QString& pdfPath, const QString& printerName);

    bool FBusy = false;
    QString FSpoolFile;  // the PDF on its way to the spooler
    QString FSpoolPrinter;
    QUrl FLastLoaded;
    mutable QMutex FGuard;  // the engine may ask from another thread
    QString FAllowedFolder;
    QUrl FExpectedUrl;
    int FRefused = 0;
};

}  // namespace vellumine
