// The main window's layout: the controls, their places and sizes, the
// tool bar, the panels, and how the splitters follow a resize. The
// handlers that act on the controls are in MainForm.cpp.

#include "app/qt/MainForm.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/qt/AboutBox.h"
#include "output/qt/ExportForm.h"
#include "app/qt/MigrateForm.h"
#include "app/qt/MigrateResultForm.h"
#include "output/qt/PagePrinter.h"
#include "app/qt/MessageListModel.h"
#include "mime/MailMessage.h"
#include "platform/FileAccess.h"
#include "platform/Version.h"
#include "render/MessagePage.h"
#include "render/qt/BrowserView.h"
#include "render/qt/ShowMailForm.h"
#include "render/qt/SourceForm.h"
#include "ui/Dialogs.h"
#include "ui/ImageButton.h"
#include "ui/ProgressPanel.h"
#include "ui/ResourceIcon.h"

namespace vellumine {
namespace {

std::string WithTrailingSlash(std::string dir)
{
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

}  // namespace

TMainForm::TMainForm(const MainFormSetup& setup, QWidget* parent)
    : QMainWindow(parent), FStoreFolder(setup.storeLocation ? StoreFolderOf(*setup.storeLocation) : std::string()),
      FNoStoreKnown(setup.storeLocation && NamesNoStore(*setup.storeLocation)), FAppDir(WithTrailingSlash(setup.appDir)),
      FTemplateDir(setup.templateDir.empty() ? FAppDir + "vorlagen/" : WithTrailingSlash(setup.templateDir)),
      FSettingsDir(setup.settingsDir.empty() ? FAppDir : WithTrailingSlash(setup.settingsDir)),
      FStartFile(setup.startFile),
      FReader(setup.storeLocation),
      FDialogs(setup.dialogs), FListModel(new MessageListModel(this)),
      FPreviewReader(std::make_shared<StoreReader>(setup.storeLocation)),
      FFolderReader(std::make_shared<StoreReader>(setup.storeLocation)),
      FSearchReader(std::make_shared<StoreReader>(setup.storeLocation)),
      FMigrationReader(std::make_shared<StoreReader>(setup.storeLocation)),
      FProbeReader(std::make_shared<StoreReader>(setup.storeLocation)),
      FMarkReader(std::make_shared<StoreReader>(setup.storeLocation))
{
    UpdateWindowTitle();
    try {
        FTempFolder = std::make_unique<WindowTempFolder>(setup.tempRoot);
    } catch (const std::exception& e) {
        FDialogs->ShowError(this, QString::fromUtf8(e.what()));  // the preview then shows this error too
    }
    QFont windowFont = font();
    windowFont.setPointSize(8);  // the small type of the original layout
    setFont(windowFont);
    resize(696, 480);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    BuildToolBar();
    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);

    Splitter1 = new QSplitter(Qt::Horizontal, central);
    Splitter1->setHandleWidth(5);
    TreeView1 = new QTreeWidget(Splitter1);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setRootIsDecorated(false);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Panel1 = new QWidget(Splitter1);
    auto* panel1Layout = new QVBoxLayout(Panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    SearchEdit = new QLineEdit(Panel1);
    SearchEdit->setPlaceholderText(QString::fromUtf8("Suchen…"));
    SearchEdit->setClearButtonEnabled(true);
    SearchEdit->setToolTip(QString::fromUtf8(
        "Wörter (auch gebeugt: Rechnungen findet Rechnung), \"genaue Phrasen\", rech* für Wortanfänge\n"
        "a b: beide · a OR b (ODER): eines · -a, NOT a (NICHT): ohne · (Klammern)\n"
        "von:, an:, betreff:, ordner:, anhang: für ein Feld, auch von:(müller OR meier)\n"
        "datum:2003, datum:2003-01..2003-06, datum:2003-01-15..\n"
        "Enter sucht, Esc leert das Feld, Strg+F springt hierher"));
    panel1Layout->addWidget(SearchEdit);
    FFolderNotice = new QLabel(Panel1);
    FFolderNotice->setObjectName("FolderNotice");
    FFolderNotice->setTextFormat(Qt::PlainText);  // it holds folder names from the store
    FFolderNotice->setWordWrap(true);
    FFolderNotice->setStyleSheet("QLabel#FolderNotice { background: #fff3cd; color: #5c4400; }");
    FFolderNotice->setMargin(4);  // counted in the height a wrapped text needs
    FFolderNotice->hide();
    panel1Layout->addWidget(FFolderNotice);
    Splitter2 = new QSplitter(Qt::Vertical, Panel1);
    Splitter2->setHandleWidth(5);
    Splitter2->setChildrenCollapsible(false);
    ListView1 = new QTreeView(Splitter2);
    ListView1->setModel(FListModel);
    connect(FListModel, &QAbstractItemModel::modelReset, this, [this] { ListRefilled(); });
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSortIndicatorShown(true);
    ListView1->header()->setSortIndicator(FSortColumn, SortIndicatorFor(FSortDescending));
    ListView1->header()->setStretchLastSection(false);
    ListView1->installEventFilter(this);
    ListView1->viewport()->installEventFilter(this);  // its width fits the columns
    Splitter2->addWidget(BuildPreviewPanel());
    panel1Layout->addWidget(Splitter2);
    Splitter1->addWidget(TreeView1);
    Splitter1->addWidget(Panel1);
    Splitter1->setSizes({201, 490});
    Splitter1->setStretchFactor(1, 1);
    centralLayout->addWidget(Splitter1, 1);
    centralLayout->addWidget(BuildBottomPanel());
    setCentralWidget(central);

    StatusPanel0 = new QLabel(this);
    StatusPanel0->setTextFormat(Qt::PlainText);  // counts and names, never markup
    StatusPanel0->setFixedWidth(250);
    StatusPanel1 = new ProgressPanel(this);
    statusBar()->addWidget(StatusPanel0);
    statusBar()->addWidget(StatusPanel1);
    StatusCount = new QLabel(this);
    statusBar()->addWidget(StatusCount, 1);

    ShowMailForm = new TShowMailForm(this);
    SourceForm = new TSourceForm(this);
    ExportForm = new TExportForm(this);
    MigrateForm = new TMigrateForm(this);
    MigrateResultForm = new TMigrateResultForm(this);
    AboutBox = new TAboutBox(this);
    connect(AboutBox, &TAboutBox::HomepageRequested, this, [this] { Guarded([this] { wwwBtnClick(); }); });
    PrinterFactory = DefaultPrinter;

    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { Guarded([this] { TreeView1Click(); }); });
    // A keyboard move loads the folder as a click does; a click loads it on
    // release (itemClicked), so a move with a mouse button down is left to it.
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current && TreeView1->hasFocus() && QGuiApplication::mouseButtons() == Qt::NoButton)
            Guarded([this] { TreeView1Click(); });
    });
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        UpdateStatusText();
        Guarded([this] { ListView1Change(); });
    });
    connect(FListModel, &QAbstractItemModel::modelAboutToBeReset, this, [this] { FApplyingColumns = true; });
    connect(FListModel, &QAbstractItemModel::modelReset, this, [this] {
        ApplyColumnLayout();
        UpdateStatusText();
    });
    connect(FListModel, &QAbstractItemModel::layoutChanged, this, [this] { UpdateStatusText(); });
    connect(ListView1->header(), &QHeaderView::sectionResized, this,
            [this](int column, int, int newSize) { ColumnResized(column, newSize); });
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { Guarded([this, column] { ListView1ColumnClick(column); }); });
    connect(SearchEdit, &QLineEdit::returnPressed, this, [this] { Guarded([this] { SearchEditReturn(); }); });
    connect(SearchEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            Guarded([this] { SearchEditCleared(); });
    });
    ConnectSearchField();
    connect(ListView1, &QTreeView::doubleClicked, this, [this] { Guarded([this] { ListView1DblClick(); }); });
    connect(Splitter2, &QSplitter::splitterMoved, this, [this] { Splitter2Moved(); });
    connect(WebBrowser1, &BrowserView::DownloadComplete, this, [this] { WebBrowser1DownloadComplete(); });
    // The entries of the page's list "Anlagen", in the preview and in the
    // message window that shows the same page.
    for (BrowserView* view : {WebBrowser1, ShowMailForm->WebBrowser1})
        connect(view, &BrowserView::AttachmentLinkClicked, this,
                [this](std::size_t number) { Guarded([this, number] { SaveAttachmentAs(number); }); });
    WebBrowser1->ExtendContextMenu = [this](QMenu& menu, std::size_t number) { AddPreviewAttachmentEntries(menu, number); };
    BuildShortcuts();
    BuildContextMenus();
    BuildDragAndDrop();
    FormCreate();
}

TMainForm::~TMainForm()
{
    // The workers may still read and compose; their results have nowhere to go.
    FDestroying = true;
    WaitForPreview();
    if (FFolderWatcher)
        FFolderWatcher->waitForFinished();
    FProbeCancel->store(true);
    if (FProbeWatcher)
        FProbeWatcher->waitForFinished();
    StopAttachmentMarks();
    // The list's model points into FMessages, which goes before the child
    // widgets do; the view may still ask for rows while the window closes.
    FListModel->SetSearchTexts(nullptr, nullptr);
    FListModel->SetMessages(nullptr, FSortColumn, FSortDescending);
}

void TMainForm::BuildToolBar()
{
    auto* toolBar = addToolBar(QStringLiteral("Werkzeuge"));
    toolBar->setMovable(false);
    toolBar->setIconSize(QSize(22, 22));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const auto button = [&](const char* text, const char* hint, const char* icon) {
        auto* b = new QToolButton(toolBar);
        b->setText(QString::fromUtf8(text));
        b->setToolTip(QString::fromUtf8(hint));
        b->setIcon(ResourceIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setMinimumSize(100, 46);
        toolBar->addWidget(b);
        return b;
    };
    PrintBtn = button("eMails &drucken", "Die markierten eMails ausdrucken", "print.svg");
    PrinterSetupBtn = button("Drucker ein&richten", "Die Druckeinstellungen ändern", "printer-setup.svg");
    toolBar->addSeparator();
    SaveBtn = button("eMails &speichern", "Speichert die markierten eMails als eml Dateien ab", "save.svg");
    ExportBtn = button("eMails &exportieren", "Speichert die markierten eMails als HTML oder TXT Dokumente ab",
                       "export.svg");
    toolBar->addSeparator();
    CancelBtn = button("A&bbrechen", "Den aktuellen Vorgang abbrechen", "cancel.svg");
    CancelBtn->setEnabled(false);
    toolBar->addSeparator();
    QuitBtn = button("Alle &markieren", "Alle Nachrichten markieren", "select-all.svg");
    // The tool bar is full at the window's width: the store's commands live
    // in a menu of their own.
    StoreMenu = menuBar()->addMenu(QStringLiteral("&Postablage"));
    connect(StoreMenu, &QMenu::aboutToShow, this, [this] { FillStoreMenu(); });
    connect(QuitBtn, &QToolButton::clicked, this, [this] { Guarded([this] { QuitBtnClick(); }); });
    connect(PrintBtn, &QToolButton::clicked, this, [this] { Guarded([this] { PrintBtnClick(); }); });
    connect(PrinterSetupBtn, &QToolButton::clicked, this, [this] { Guarded([this] { PrinterSetupBtnClick(); }); });
    connect(SaveBtn, &QToolButton::clicked, this, [this] { Guarded([this] { SaveBtnClick(); }); });
    connect(ExportBtn, &QToolButton::clicked, this, [this] { Guarded([this] { ExportBtnClick(); }); });
    connect(CancelBtn, &QToolButton::clicked, this, [this] { CancelBtnClick(); });
}

QWidget* TMainForm::BuildPreviewPanel()
{
    auto* lower = new QWidget(Splitter2);
    auto* layout = new QVBoxLayout(lower);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Panel2 = new QWidget(lower);
    Panel2->setFixedHeight(59);
    auto* panelLayout = new QVBoxLayout(Panel2);
    panelLayout->setContentsMargins(6, 4, 6, 4);
    panelLayout->setSpacing(2);
    ShowHead = new QCheckBox(QStringLiteral("Vorschau mit komplettem Design zeigen "), Panel2);
    auto* firstRow = new QHBoxLayout();
    firstRow->addWidget(ShowHead);
    firstRow->addStretch(1);
    firstRow->addWidget(new QLabel(QStringLiteral("Design-Vorlage:"), Panel2));
    DesignBox = new QComboBox(Panel2);
    DesignBox->setMinimumWidth(110);
    connect(DesignBox, QOverload<int>::of(&QComboBox::activated), this,
            [this] { Guarded([this] { DesignBoxChange(); }); });
    firstRow->addWidget(DesignBox);
    panelLayout->addLayout(firstRow);
    auto* row = new QHBoxLayout();
    voncheck = new QCheckBox(QStringLiteral("Von-Feld"), Panel2);
    ancheck = new QCheckBox(QStringLiteral("An-Feld"), Panel2);
    datumcheck = new QCheckBox(QStringLiteral("Datum-Feld"), Panel2);
    betreffcheck = new QCheckBox(QStringLiteral("Betreff-Feld"), Panel2);
    for (QCheckBox* box : {ShowHead, voncheck, ancheck, datumcheck, betreffcheck}) {
        box->setChecked(true);
        connect(box, &QCheckBox::clicked, this, [this] { Guarded([this] { ShowHeadClick(); }); });
    }
    for (QCheckBox* box : {voncheck, ancheck, datumcheck, betreffcheck})
        row->addWidget(box);
    row->addStretch(1);
    panelLayout->addLayout(row);
    layout->addWidget(Panel2);
    WebBrowser1 = new BrowserView(lower);
    layout->addWidget(WebBrowser1, 1);
    return lower;
}

QWidget* TMainForm::BuildBottomPanel()
{
    auto* panel7 = new QWidget(this);
    panel7->setFixedHeight(41);
    auto* layout = new QHBoxLayout(panel7);
    layout->setContentsMargins(6, 2, 6, 2);
    wwwBtn = new TImageBtn(ResourceIcon("www.svg"), ResourceIcon("www.svg"), panel7);
    wwwBtn->setToolTip(QStringLiteral("Auf zur Tarnwick Homepage..."));
    ueberbtn = new TImageBtn(ResourceIcon("info.svg"), ResourceIcon("info-pressed.svg"), panel7);
    ueberbtn->setToolTip(QString::fromUtf8("Informationen über das Programm"));
    endebtn = new TImageBtn(ResourceIcon("quit.svg"), ResourceIcon("quit-pressed.svg"), panel7);
    endebtn->setToolTip(QStringLiteral("Hiermit verlassen Sie das Programm"));
    layout->addWidget(wwwBtn);
    layout->addStretch(1);
    layout->addWidget(ueberbtn);
    layout->addWidget(endebtn);
    connect(wwwBtn, &QAbstractButton::clicked, this, [this] { Guarded([this] { wwwBtnClick(); }); });
    connect(ueberbtn, &QAbstractButton::clicked, this, [this] { Guarded([this] { ueberbtnClick(); }); });
    connect(endebtn, &QAbstractButton::clicked, this, [this] { Guarded([this] { endebtnClick(); }); });
    return panel7;
}

// --- layout and buttons ---

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShownOnce)
        return;
    FShownOnce = true;
    if (!FTreeWidthSet) {
        FTreeWidthSet = true;
        const int width = std::max(Splitter1->width(), this->width());
        Splitter1->setSizes({201, std::max(0, width - 201 - Splitter1->handleWidth())});
    }
    FormResize();
    // The list has its width once the layout has run: the columns are
    // fitted now and again when the event loop has laid the window out.
    ApplyColumnLayout();
    QTimer::singleShot(0, this, [this] { ApplyColumnLayout(); });
}

void TMainForm::FormResize()
{
    const int total = Splitter2->height();
    const int listHeight = total * FListPercent / 100;
    Splitter2->setSizes({listHeight, std::max(0, total - listHeight - Splitter2->handleWidth())});
}

Qt::SortOrder SortIndicatorFor(bool descending)
{
    // Qt's header draws the arrow of Qt::DescendingOrder pointing up; mail
    // clients point it down for newest first, so the order is handed over
    // turned round. The list's own order is FSortDescending alone.
    return descending ? Qt::AscendingOrder : Qt::DescendingOrder;
}

int ListPercentFor(int listHeight, int panelHeight, int fallback)
{
    if (panelHeight <= 0)
        return fallback;
    return std::clamp(listHeight * 100 / panelHeight, 10, 90);
}

void TMainForm::Splitter2Moved()
{
    FListPercent = ListPercentFor(ListView1->height(), Splitter2->height(), FListPercent);
}

}  // namespace vellumine
