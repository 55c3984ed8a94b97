#pragma once
// The main window: folder tree, message list, preview and the tool bar.
// Its handlers keep the names the program's description gives them; each
// gathers what the window knows into plain values and calls the code of
// the subsystems that does the work.

#include <QDesktopServices>
#include <QMainWindow>
#include <QUrl>
#include <QElapsedTimer>
#include <QPageLayout>
#include <QRect>
#include <array>
#include <atomic>
#include <optional>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "store/FolderTree.h"
#include "app/MessageOrder.h"
#include "app/SettingsFile.h"
#include "render/MessagePage.h"
#include "render/PageDesign.h"
#include "render/TempFiles.h"
#include "render/WindowTempFolder.h"
#include "search/SearchIndex.h"
#include "store/FolderRescue.h"
#include "store/StoreReader.h"

template <typename T>
class QFutureWatcher;
class QCheckBox;
class QKeyEvent;
class QMimeData;
class QDragEnterEvent;
class QDropEvent;
class QPrinter;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QThreadPool;
class QTreeWidgetItem;
class QWidget;

namespace vellumine {

class BrowserView;
class DialogService;
class MessageListModel;
class ProgressPanel;
class TAboutBox;
class TExportForm;
class TMigrateForm;
class TMigrateResultForm;
class TImageBtn;
class TShowMailForm;
class TSourceForm;

// The role under which a folder tree item keeps its folder's index into FFolders.
inline constexpr int kFolderDataRole = Qt::UserRole;
// The folder index of the "Suchergebnis" item, which shows the last search.
inline constexpr qulonglong kSearchResultsIndex = ~qulonglong{0};
// The folder index of a "Gerettete Nachrichten" item under a damaged
// folder; the folder's own index is kept under kRescuedFolderRole.
inline constexpr qulonglong kRescuedMessagesIndex = ~qulonglong{0} - 1;
inline constexpr int kRescuedFolderRole = Qt::UserRole + 1;

// A count as a German reader writes it: 8335 as "8.335".
QString GermanCount(std::size_t number);

// The status bar's text: "11 Nachrichten, 3 markiert".
QString MessageCountText(int messages, int selected);

// The order the header's arrow shows for a direction of the list.
Qt::SortOrder SortIndicatorFor(bool descending);

// The list's share of the right-hand panel after the splitter was dragged,
// kept between 10 and 90 percent; `fallback` when the panel has no height.
int ListPercentFor(int listHeight, int panelHeight, int fallback = 50);

// Shown at start when no store is known.
inline constexpr const char* kNoStoreHint =
    "Es ist noch keine Postablage gewählt. Öffnen Sie die Ablage von Outlook Express über "
    "„Postablage“ → „Postablage öffnen…“ (Strg+O).";

// The window's layout file beside options.dat.
inline constexpr const char* kLayoutFileName = "layout.txt";

// The store shown when the window in `appDir` was closed, when that folder
// is still there; empty otherwise.
std::string LastStoreFolder(const std::string& settingsDir);

// The folder of the store a location names; empty when it names none.
std::string StoreFolderOf(const StoreLocation& location);

// True when the location knows no store at all (a first start without
// one), as against one that names a store that cannot be read.
bool NamesNoStore(const StoreLocation& location);

// What the window is started with; tests give their own.
struct MainFormSetup {
    std::string appDir;  // FAppDir, ending in a slash
    std::shared_ptr<const StoreLocation> storeLocation;
    DialogService* dialogs = nullptr;
    std::string templateDir;  // the design templates; empty: vorlagen/ in appDir
    std::string settingsDir;  // options.dat and the other small files; empty: appDir
    std::string startFile;    // a folder file whose folder start-up shows instead of the third
    std::string tempRoot;  // where the window's temporary folder goes; empty: the user's runtime folder
};

// One batch run over the selected messages: what it does before the walk,
// with each message and after it, and how its completion box reads.
struct BatchRun {
    std::function<bool()> prepare;                                 // false ends the run without a message
    // One message; an Error it raises makes it fail: with oneFailsAlone the
    // run asks once what to do and goes on, otherwise it ends with the error.
    std::function<void(const std::string& source, const Toe5_MessageInfo& info)> handleMessage;
    bool oneFailsAlone = false;
    std::function<void()> beforeEach;                              // export: pending events, once
    std::function<void()> finish;                                  // print: back to the page shown before
    std::string participle;                                        // "gedruckt"
    QString caption;                                               // "Drucken beendet"
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(const MainFormSetup& setup, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Runs a handler inside the one guard: an exception becomes the
    // application's error box.
    void Guarded(const std::function<void()>& handler);

    // Handlers (public so that the tests can call them as the events do).
    void TreeView1Click();
    void ListView1Change();
    void ListView1ColumnClick(int column);
    void ListView1DblClick();
    void QuitBtnClick();
    void ShowHeadClick();
    void DesignBoxChange();
    void WebBrowser1DownloadComplete();
    void FormResize();
    void Splitter2Moved();
    void ueberbtnClick();
    void endebtnClick();
    void wwwBtnClick();
    void PrintBtnClick();
    void PrinterSetupBtnClick();
    void SaveBtnClick();
    void ExportBtnClick();
    void CancelBtnClick();
    void OpenStoreClick();                        // "Postablage öffnen…"
    void OpenStore(const std::string& folder);    // the store in that folder, shown from its third folder
    void MigrateStoreClick();                     // "Postablage exportieren…"
    void SearchEditReturn();                      // Enter in "Suchen…": the store searched
    void SearchEditCleared();                     // the field emptied: back to the folder
    void ShowSourceClick();                       // "Quelltext anzeigen": the selected message's source
    // The attachments of the message the preview shows (entry numbers as in
    // the page's list "Anlagen", from 1): saved under a name the user
    // chooses, all of them into a folder, or a copy handed to the desktop.
    void SaveAttachmentAs(std::size_t number);    // "Anlage speichern unter…", a click on an entry
    void SaveAllAttachmentsClick();               // "Alle Anlagen speichern…"
    void OpenAttachment(std::size_t number);      // "Öffnen"
    // The entries of the page shown; empty while another message is chosen.
    const std::vector<TAttachment>& ShownAttachments() const;
    // Drag and drop: the files a drag of these list rows carries; opening
    // a dropped store folder or .dbx file (false for anything else).
    QMimeData* DragDataFor(const std::vector<int>& rows);
    bool OpenDroppedStore(const QMimeData& dropped);
    // The context menus (opened by a right click; public for the tests).
    QMenu* MakeListMenu();
    QMenu* MakeFolderMenu(QTreeWidgetItem* item);
    void SearchInFolder(std::size_t folderIndex);  // "In diesem Ordner suchen"
    void SetProStatus(int percent);
    void SBarPaintMore();

    // Opens a web page in the user's browser; false when none could be
    // started. Tests put their own in its place.
    std::function<bool(const QUrl&)> OpenWebPage = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    // Hands a file to the program the desktop opens it with; false when
    // none could be started. Tests put their own in its place.
    std::function<bool(const QUrl&)> OpenWithDesktop = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    // The printer a print run uses; none when no printer is installed. Tests
    // put a PDF printer in its place.
    std::function<std::unique_ptr<QPrinter>()> PrinterFactory;
    // How long a print run waits for its page before it gives up.
    int FPageWaitMilliseconds = 30000;
    // Folder files larger than this are read off the window's thread (the
    // list fills when they are read); smaller ones at once.
    std::uint64_t FBackgroundReadBytes = 4 * 1024 * 1024;

    // The page design the check boxes and the template list say.
    PageDesign CurrentDesign() const;
    ViewOptions CurrentOptions() const;
    // The window's own temporary folder (preview and print pages, their
    // images), ending in a slash; raises when it could not be made.
    std::string TempFolder() const;

    // Controls.
    QToolButton* PrintBtn;
    QToolButton* PrinterSetupBtn;
    QToolButton* SaveBtn;
    QToolButton* ExportBtn;
    QToolButton* CancelBtn;
    QToolButton* QuitBtn;
    QMenu* StoreMenu;  // "Postablage": open another store, the last ones, export the whole store
    QTreeWidget* TreeView1;
    QSplitter* Splitter1;
    QWidget* Panel1;
    QLineEdit* SearchEdit;
    QTreeView* ListView1;
    QSplitter* Splitter2;
    QWidget* Panel2;
    QCheckBox* ShowHead;
    QCheckBox* voncheck;
    QCheckBox* ancheck;
    QCheckBox* datumcheck;
    QCheckBox* betreffcheck;
    QComboBox* DesignBox;
    BrowserView* WebBrowser1;
    TImageBtn* wwwBtn;
    TImageBtn* ueberbtn;
    TImageBtn* endebtn;
    QLabel* StatusPanel0;
    // What the status panel says of the open store while nothing else is
    // said there (folders placed at the depth bound).
    QString FStoreNotice;
    void ShowStoreNotice();
    QLabel* FFolderNotice = nullptr;  // above the list: a damaged folder file said aloud
    ProgressPanel* StatusPanel1;
    QLabel* StatusCount;  // the folder's messages and the marked ones
    TShowMailForm* ShowMailForm;
    TSourceForm* SourceForm;
    TAboutBox* AboutBox;
    TExportForm* ExportForm;
    TMigrateForm* MigrateForm;
    TMigrateResultForm* MigrateResultForm;

    // The folder of the store shown; empty when none is known.
    std::string FStoreFolder;
    bool FNoStoreKnown = false;  // no store was named at all: a hint instead of an error

    // Fields the subsystems share.
    std::string FCurrentFile = "folders.dbx";
    std::vector<Toe5_FolderInfo> FFolders;
    std::vector<Toe5_MessageInfo> FMessages;
    std::vector<std::string> FMessageFiles;  // per message, while search results are shown
    std::vector<SearchHit> FSearchHits;      // the last search's results
    std::vector<std::string> FSearchFolders; // their folders and snippets, for the list
    std::vector<std::string> FSearchSnippets;
    int FListPercent = 50;
    int FSortColumn = 3;
    bool FSelectingAll = false;
    bool FCancel = false;
    bool FBusy = false;
    bool FDownloadComplete = false;
    bool FDestroying = false;
    bool FSortDescending = true;
    std::string FAppDir;
    std::string FTemplateDir;  // ending in a slash
    std::string FSettingsDir;  // ending in a slash
    std::string FStartFile;    // cleared once the first store is shown
    TTempFileList FTempFiles;
    int FProgress = 0;
    QRect FProgressRect;  // where the progress bar was drawn last
    std::int64_t FShownOffset = -1;
    std::string FShownFile;

    MessageListModel* ListModel() const { return FListModel; }
    // True while the selected message's page is being composed.
    bool PreviewPending() const;
    // True while a large folder file is being read for the list.
    bool FolderLoading() const;
    // True while the search index is brought up to date or searched.
    bool SearchRunning() const { return FSearchRunning; }
    // Search results come in pages of this many; tests make them small.
    std::size_t FSearchPageSize = SearchIndex::kResultsPerPage;
    // Where the window keeps the search index of its store; tests set their own.
    std::function<std::string(const std::string& storeFolder)> SearchIndexPathFor = SearchIndexPath;
    // The folder file of the message FMessages[index]: the shown folder's,
    // or, for search results, each message's own.
    std::string FileOfMessage(std::size_t index) const;
    // Blocks until the page being composed is done (its result is then
    // handled by the event loop).
    void WaitForPreview();
    // True while the list's paperclip marks are being found out (or about
    // to be, after a refill of the list).
    bool AttachmentMarksPending() const { return FMarkRunning || FMarkStartQueued; }
    // At most this many messages' marks are handed back at once (else a
    // batch every 150 ms); tests make it small.
    std::size_t FMarkBatchSize = 20000;
    StoreReader& Reader() { return FReader; }
    DialogService& Dialogs() { return *FDialogs; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the preview's worker composes, and what it hands back.
    struct PreviewRequest {
        std::string file;
        std::uint32_t offset = 0;
        SourceRescue rescue;  // how a rescued message's chain is read
        HeaderFields fields;
        bool withDesign = true;
        PageDesign design;
    };
    struct PreviewResult {
        PreviewPage page;
        std::string error;  // the German text of a failure
    };

    struct FolderLoad {
        std::vector<Toe5_MessageInfo> messages;
        std::vector<MessageRow> rows;
        std::string error;
        StoreReadReport report;
    };
    // The notice above the list: hidden for a clean read, the damage said
    // (and where the rescued messages are) for any other.
    void ShowFolderNotice(const StoreReadReport& report, std::size_t folderIndex);
    // A damaged folder gets "Gerettete Nachrichten" under its tree item.
    void AddRescueItem(QTreeWidgetItem* folderItem, std::size_t folderIndex);
    // The scan of the folder's file, with the progress bar and cancel.
    void ShowRescuedMessages(std::size_t folderIndex);
    // A folder whose index reads clean may still hold messages it no longer
    // names (deleted ones, moved copies): a scan off the window's thread
    // after the list is shown adds "Gerettete Nachrichten" when it finds any.
    struct RescueProbe {
        std::size_t folderIndex = 0;
        unsigned request = 0;  // FProbeRequest when it started
        bool found = false;
    };
    void StartRescueProbe(std::size_t folderIndex);
    void RunRescueProbe();
    void RescueProbeDone();

    void StartPreview();
    void PreviewComposed();
    // The paperclip marks: after each refill of the list a worker with a
    // reader of its own reads the start of each message's source, in the
    // order the list shows them, and hands the marks back in batches.
    struct MarkJob {
        std::size_t messageIndex = 0;
        std::uint32_t offset = 0;
        SourceRescue rescue;
    };
    using MarkBatch = std::vector<std::pair<std::size_t, AttachmentMark>>;
    void ListRefilled();
    void StartAttachmentMarks();
    void AttachmentMarksArrived(unsigned request, const MarkBatch& marks);
    void AttachmentMarksDone();
    void StopAttachmentMarks();
    struct SearchOutcome {
        std::vector<SearchHit> hits;
        std::size_t total = 0;  // all the query finds
        bool nextPage = false;  // hits follow those shown
        bool cancelled = false;
        std::uint64_t generation = 0;  // FSearchGeneration when it started
        IndexUpdate update;
        std::string error;
    };
    void ConnectSearchField();
    void StartSearch();
    void StartNextSearchPage();
    void SearchDone();
    void ShowSearchOutcome(SearchOutcome& outcome);
    void AppendSearchPage(std::vector<SearchHit> hits);
    void ShowSearchCounts();
    void LoadMoreWhenNothingScrolls();
    void ShowSearchResults();
    void RemoveSearchItem();
    void StartFolderLoad();
    void FolderLoaded();
    void BuildToolBar();
    void BuildShortcuts();
    void BuildContextMenus();
    void BuildDragAndDrop();
    void ShowListMenu(const QPoint& globalAt);
    void AddAttachmentEntries(QMenu& menu);
    void AddPreviewAttachmentEntries(QMenu& menu, std::size_t number);
    // The selected message when the preview shows it; none otherwise.
    std::optional<std::size_t> ShownMessageIndex() const;
    // The entry `number` of the shown message, read anew from the store.
    struct ReadAttachment;
    ReadAttachment ReadShownAttachments();
    void ShowFolderMenu(QTreeWidgetItem* item, const QPoint& globalAt);
    void WaitForFolder();
    bool ListKeyPressed(const QKeyEvent& key);
    QWidget* BuildPreviewPanel();
    QWidget* BuildBottomPanel();
    void FormCreate();
    void LoadStore();
    QTreeWidgetItem* StartFolderItem(const std::vector<QTreeWidgetItem*>& order) const;
    void FillStoreMenu();
    void RememberStore(const std::string& folder);  // first among the recent stores
    std::string RecentStoresFile() const { return FSettingsDir + "stores.txt"; }
    std::string LayoutStateFile() const { return FSettingsDir + kLayoutFileName; }
    void RestoreLayout();
    void SaveLayout();
    int DefaultColumnWidth(int column) const;
    void ApplyColumnLayout();
    void ColumnResized(int column, int newSize);
    void UpdateStatusText();
    void UpdateWindowTitle();
    void FormDestroy();
    void FillTemplateList();
    void UpdateFieldBoxes();
    void OpenOptions();
    void SaveOptions();
    void BuildFolderTree();
    void SelectAll();
    int FirstSelectedRow() const;
    void RunBatch(const BatchRun& run);
    void BackToIdle();
    int SelectedCount() const;
    std::string ChosenTargetFolder() const;
    bool AskTargetFolder(bool forExport, std::string& folder);

    StoreReader FReader;
    DialogService* FDialogs;
    std::unique_ptr<WindowTempFolder> FTempFolder;
    MessageListModel* FListModel;
    bool FClosed = false;
    bool FCloseRequested = false;    // a close during a run, carried out when it ends
    QElapsedTimer FProgressClock;    // when the progress panel was last painted
    bool FPreviewDeferred = false;   // a selection change while a run was busy
    unsigned FListGeneration = 0;    // counts refills of the list
    QPageLayout FPageLayout;         // from the page set-up dialog
    bool FTreeWidthSet = false;
    bool FGeometryRestored = false;
    bool FShownOnce = false;
    unsigned FDragCount = 0;  // drags so far: each writes its files into a folder of its own
    std::array<int, 6> FColumnWidths{};  // the user's widths per column; 0: fitted to the list
    bool FApplyingColumns = true;        // the columns are being laid out by the program
    std::optional<std::int64_t> FWantedFolderId;  // the folder to show at start instead of the third
    // The preview's composing off the window's thread.
    std::shared_ptr<StoreReader> FPreviewReader;
    std::unique_ptr<PreviewRequest> FComposing;      // being composed
    std::unique_ptr<PreviewRequest> FPendingPreview;  // the latest selection, waiting for the worker
    QFutureWatcher<PreviewResult>* FPreviewWatcher = nullptr;
    // The list "Anlagen" of the page shown, and the message it belongs to.
    std::vector<TAttachment> FShownAttachments;
    std::int64_t FAttachmentsOffset = -1;
    std::string FAttachmentsFile;
    QString FAttachmentFolder;  // where the last attachment was saved
    std::int64_t FLastShownOffset = -1;  // the last message shown, also across a re-rendering
    std::string FLastShownFile;
    unsigned FPreviewSerial = 0;  // counts newly shown messages; part of the page's address
    // Large folders read off the window's thread.
    std::shared_ptr<StoreReader> FFolderReader;
    QFutureWatcher<FolderLoad>* FFolderWatcher = nullptr;
    unsigned FFolderLoadWanted = 0;  // the list generation whose folder is to be read; 0: none
    unsigned FFolderLoadFor = 0;     // the list generation the running read is for
    std::pair<int, bool> FFolderLoadSort;  // the order the running read sorts in
    bool FFolderLoadRunning = false;
    bool FSelectFirstWhenLoaded = false;  // start-up: the newest message once the list is there
    // The search off the window's thread: the index brought up to date, then queried.
    std::shared_ptr<StoreReader> FSearchReader;
    std::shared_ptr<StoreReader> FMigrationReader;  // the migration's worker reads with it
    QFutureWatcher<SearchOutcome>* FSearchWatcher = nullptr;
    std::string FSearchWanted;  // the query to run when the one under way ends
    bool FSearchRunning = false;
    std::shared_ptr<std::atomic<bool>> FSearchCancel = std::make_shared<std::atomic<bool>>(false);
    std::string FSearchShown;      // the query whose results are shown
    std::size_t FSearchTotal = 0;  // how many it finds in all; FSearchHits holds the first pages
    QTreeWidgetItem* FSearchItem = nullptr;  // "Suchergebnis" at the top of the tree
    // Counts the searches dropped (the field emptied, another store): what
    // a worker brings back for one of them is not shown.
    std::uint64_t FSearchGeneration = 0;
    std::map<std::size_t, RescueReport> FRescues;  // per folder index: what its last scan found
    std::shared_ptr<StoreReader> FProbeReader;     // the rescue probe's worker reads with it
    QFutureWatcher<RescueProbe>* FProbeWatcher = nullptr;
    std::shared_ptr<std::atomic<bool>> FProbeCancel = std::make_shared<std::atomic<bool>>(false);
    unsigned FProbeRequest = 0;           // counts requests; a store change counts too
    std::size_t FProbeFolder = 0;         // the folder the last request was for
    std::set<std::size_t> FProbed;        // folders of the store shown that were probed once
    bool FProbeRunning = false;
    std::shared_ptr<StoreReader> FMarkReader;  // the paperclip worker reads with it
    QFutureWatcher<void>* FMarkWatcher = nullptr;
    QThreadPool* FMarkPool = nullptr;
    std::shared_ptr<std::atomic<bool>> FMarkCancel = std::make_shared<std::atomic<bool>>(false);
    unsigned FMarkRequest = 0;      // counts refills of the list; a batch of an older one is dropped
    bool FMarkRunning = false;
    bool FMarkStartQueued = false;  // a start waits for the event loop (or for the worker to end)
    qulonglong FFolderBeforeSearch = 0;      // the folder the list showed last, to return to
};

}  // namespace vellumine
