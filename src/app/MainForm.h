#pragma once
// The main window: folder tree, message list, preview and the tool bar.
// Its handlers keep the names the program's description gives them; each
// gathers what the window knows into plain values and calls the code of
// the subsystems that does the work.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/FolderTree.h"
#include "app/SettingsFile.h"
#include "render/PageDesign.h"
#include "render/TempFiles.h"
#include "store/StoreReader.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSplitter;
class QToolButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace vellumine {

class BrowserView;
class DialogService;
class MessageListModel;
class ProgressPanel;
class TAboutBox;
class TImageBtn;
class TShowMailForm;

// The list's share of the right-hand panel after the splitter was dragged,
// kept between 10 and 90 percent; `fallback` when the panel has no height.
int ListPercentFor(int listHeight, int panelHeight, int fallback = 50);

// What the window is started with; tests give their own.
struct MainFormSetup {
    std::string appDir;  // FAppDir, ending in a slash
    std::shared_ptr<const StoreLocation> storeLocation;
    DialogService* dialogs = nullptr;
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

    // The page design the check boxes and the template list say.
    PageDesign CurrentDesign() const;
    ViewOptions CurrentOptions() const;
    std::string TempFolder() const { return FAppDir + "Message/"; }

    // Controls.
    QToolButton* PrintBtn;
    QToolButton* PrinterSetupBtn;
    QToolButton* SaveBtn;
    QToolButton* ExportBtn;
    QToolButton* CancelBtn;
    QToolButton* QuitBtn;
    QTreeWidget* TreeView1;
    QSplitter* Splitter1;
    QWidget* Panel1;
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
    ProgressPanel* StatusPanel1;
    TShowMailForm* ShowMailForm;
    TAboutBox* AboutBox;

    // Fields the subsystems share.
    std::string FCurrentFile = "folders.dbx";
    std::vector<Toe5_FolderInfo> FFolders;
    std::vector<Toe5_MessageInfo> FMessages;
    int FListPercent = 50;
    int FSortColumn = 3;
    bool FSelectingAll = false;
    bool FCancel = false;
    bool FBusy = false;
    bool FDownloadComplete = false;
    bool FDestroying = false;
    bool FSortDescending = true;
    std::string FAppDir;
    TTempFileList FTempFiles;
    int FProgress = 0;
    std::int32_t FShownOffset = -1;
    std::string FShownFile;

    MessageListModel* ListModel() const { return FListModel; }
    StoreReader& Reader() { return FReader; }
    DialogService& Dialogs() { return *FDialogs; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolBar();
    QWidget* BuildPreviewPanel();
    QWidget* BuildBottomPanel();
    void FormCreate();
    void FormDestroy();
    void FillTemplateList();
    void OpenOptions();
    void SaveOptions();
    void BuildFolderTree();
    void SelectAll();
    int FirstSelectedRow() const;

    StoreReader FReader;
    DialogService* FDialogs;
    MessageListModel* FListModel;
    bool FClosed = false;
    bool FTreeWidthSet = false;
};

}  // namespace vellumine
