// Printing, saving and exporting from the real main window, under Xvfb.
// The printer is the only thing replaced: a PDF printer per job.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QHeaderView>
#include <QTest>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <filesystem>
#include <set>

#include "BatchRunTest.h"
#include "GuiFixture.h"
#include "StoreWriter.h"
#include "app/qt/MessageListModel.h"
#include "output/qt/ExportForm.h"
#include "render/qt/BrowserView.h"
#include "ui/FolderEdit.h"
#include "ui/ProgressPanel.h"

using namespace vellumine;
using namespace vellumine::testing;

namespace {

// Opens the window on the folder "Zehn" (eleven messages, newest first).
std::unique_ptr<TMainForm> OpenTen(GuiWorld& world)
{
    auto form = world.OpenWindow();
    QTreeWidgetItem* ten = form->TreeView1->topLevelItem(0)->child(2)->child(1);
    form->TreeView1->setCurrentItem(ten);
    form->TreeView1Click();
    return form;
}

// The same, its search index kept in `cache`.
std::unique_ptr<TMainForm> OpenTenSearchingInto(GuiWorld& world, const TempFolder& cache)
{
    auto form = OpenTen(world);
    form->SearchIndexPathFor = [&cache](const std::string&) { return cache.File("index.sqlite"); };
    return form;
}

void SelectRows(TMainForm& form, std::initializer_list<int> rows)
{
    form.ListView1->selectionModel()->clearSelection();
    for (int row : rows)
        form.ListView1->selectionModel()->select(form.ListModel()->index(row, 0),
                                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Answers the target-folder dialog with OK and `folder`.
void AnswerTargetFolder(GuiWorld& world, const QString& folder, bool withDate = true,
                        QRadioButton* TExportForm::*format = &TExportForm::AllHTMLCheck, bool* txtEnabled = nullptr)
{
    world.dialogs.onModal = [=](QDialog& dialog) {
        auto* form = qobject_cast<TExportForm*>(&dialog);
        if (!form)
            return int(QDialog::Rejected);
        if (txtEnabled)
            *txtEnabled = form->TXTCheck->isEnabled();
        form->DirectoryEdit1->SetText(folder);
        form->datecheck->setChecked(withDate);
        (form->*format)->setChecked(true);
        return form->OkBtn->isEnabled() ? int(QDialog::Accepted) : int(QDialog::Rejected);
    };
}

std::set<std::string> FilesIn(const std::string& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.insert(entry.path().filename().string());
    return names;
}

QString Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The printed pages are images of the page: their text is read back by
// OCR, their pictures by colour.
QString FirstPageImage(const QString& pdf, const TempFolder& work)
{
    const QString prefix = QString::fromStdString(work.File("seite"));
    Run("pdftoppm", {"-r", "150", "-f", "1", "-l", "1", "-png", "-singlefile", pdf, prefix});
    return prefix + ".png";
}

QString OcrText(const QString& image)
{
    return Run("tesseract", {image, "stdout"});
}

// The smallest left edge of any word on the first page, in points.
double LeftmostWord(const QString& pdf)
{
    const QString boxes = Run("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    double leftmost = 1e9;
    const QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\""));
    for (auto it = word.globalMatch(boxes); it.hasNext();)
        leftmost = std::min(leftmost, it.next().captured(1).toDouble());
    return leftmost;
}

bool HasColour(const QImage& image, QRgb wanted)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAbs(qRed(pixel) - qRed(wanted)) < 12 && qAbs(qGreen(pixel) - qGreen(wanted)) < 12 &&
                qAbs(qBlue(pixel) - qBlue(wanted)) < 12)
                return true;
        }
    return false;
}

void ExpectIdle(TMainForm& form)
{
    QVERIFY(!form.FBusy);
    QVERIFY(!form.CancelBtn->isEnabled());
    QCOMPARE(form.FProgress, 0);
}

}  // namespace

void BatchRunTest::progressBarFollowsTheSavedMessages()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder target;
    AnswerTargetFolder(world, QString::fromStdString(target.Path()));
    QList<int> percents, widths;
    connect(form->StatusPanel1, &ProgressPanel::PercentChanged, [&](int percent, int width) {
        percents << percent;
        widths << width;
    });
    SelectRows(*form, {1, 4, 8});
    form->SaveBtn->click();
    QCOMPARE(percents, QList<int>({33, 66, 100, 0, 0}));
    const int panel = form->StatusPanel1->width();
    QCOMPARE(widths.mid(0, 4), QList<int>({panel * 33 / 100, panel * 66 / 100, panel, 0}));
    QCOMPARE(world.dialogs.information, QStringList("Speichern beendet|Es wurden 3 Nachrichten gespeichert!"));
    QCOMPARE(FilesIn(target.Path()).size(), std::size_t(3));
    ExpectIdle(*form);
}

void BatchRunTest::saveNamesNeverOverwrite()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder target;
    bool txtEnabled = true;
    AnswerTargetFolder(world, QString::fromStdString(target.Path() + "/neu/"), false, &TExportForm::AllHTMLCheck,
                       &txtEnabled);
    SelectRows(*form, {0, 1, 2});  // the three messages "S" of one date
    form->SaveBtn->click();
    QVERIFY(!txtEnabled);
    QCOMPARE(FilesIn(target.Path() + "/neu"), std::set<std::string>({"S.eml", "S_0.eml", "S_1.eml"}));
    const std::string saved = PageText(target.Path() + "/neu/S_1.eml");
    QVERIFY(saved.rfind("From: Absender ", 0) == 0);
    QVERIFY(saved.size() > 20 && saved.substr(saved.size() - 2) == "\r\n");
    form->ExportBtn->click();
    QVERIFY(txtEnabled);
}

void BatchRunTest::unwritableTargetShowsTheBoxAndGoesOn()
{
    // Seven messages into a folder that cannot be written: one question at
    // the first failure, then at most the summary, never a box per message.
    const struct {
        FailureChoice answer;
        int failuresListed;
        QString sentence;
    } cases[] = {
        {FailureChoice::Continue, 7, "Es wurden 0 Nachrichten gespeichert!\n7 Nachrichten konnten nicht gespeichert werden."},
        {FailureChoice::SkipAll, 7, "Es wurden 0 Nachrichten gespeichert!\n7 Nachrichten konnten nicht gespeichert werden."},
        {FailureChoice::Cancel, 1, "Es wurden 0 Nachrichten gespeichert!\n1 Nachricht konnte nicht gespeichert werden."},
    };
    for (const auto& c : cases) {
        GuiWorld world;
        auto form = OpenTen(world);
        TempFolder target;
        const std::string notAFolder = target.File("datei");
        storewriter::WriteFileBytes(notAFolder, "x");
        AnswerTargetFolder(world, QString::fromStdString(notAFolder), false);
        world.dialogs.failureAnswer = c.answer;
        SelectRows(*form, {0, 1, 2, 3, 4, 5, 6});
        form->SaveBtn->click();
        QCOMPARE(world.dialogs.questions.size(), 1);
        QVERIFY(world.dialogs.questions.first().startsWith(QString::fromStdString("Speichern beendet|Die Datei \"" + notAFolder + "/")));
        QVERIFY(world.dialogs.questions.first().endsWith("\" konnte nicht erstellt werden!"));
        QCOMPARE(world.dialogs.information, QStringList("Speichern beendet|" + c.sentence));
        QCOMPARE(world.dialogs.summaryDetails.size(), 1);
        QCOMPARE(world.dialogs.summaryDetails.first().split('\n').size(), c.failuresListed);
        QVERIFY(world.dialogs.summaryDetails.first().startsWith("S: Die Datei"));  // which message, and why
        QVERIFY(world.dialogs.fileErrors.isEmpty() && world.dialogs.errors.isEmpty());
        ExpectIdle(*form);
    }
}

void BatchRunTest::nothingSelectedBusyOrCancelledDoesNothing()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder target;
    AnswerTargetFolder(world, QString::fromStdString(target.Path()));
    form->ListView1->selectionModel()->clearSelection();
    for (QToolButton* button : {form->PrintBtn, form->SaveBtn, form->ExportBtn})
        button->click();
    QVERIFY(world.dialogs.modalTitles.isEmpty());
    QVERIFY(world.dialogs.information.isEmpty());
    ExpectIdle(*form);

    SelectRows(*form, {0});
    form->FBusy = true;  // another run is under way
    form->SaveBtn->click();
    QVERIFY(world.dialogs.modalTitles.isEmpty());
    form->FBusy = false;

    world.dialogs.onModal = [](QDialog&) { return int(QDialog::Rejected); };
    form->ExportBtn->click();
    QCOMPARE(world.dialogs.modalTitles.size(), 1);
    QVERIFY(world.dialogs.information.isEmpty());
    QVERIFY(FilesIn(target.Path()).empty());
    ExpectIdle(*form);

    AnswerTargetFolder(world, QString::fromStdString(target.Path()));
    form->SaveBtn->click();
    QCOMPARE(FilesIn(target.Path()).size(), std::size_t(1));
}

void BatchRunTest::exportCancelledAtTheSecondOfFive()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder target;
    AnswerTargetFolder(world, QString::fromStdString(target.Path()), true, &TExportForm::MixedCheck);
    connect(form->StatusPanel1, &ProgressPanel::PercentChanged, [&](int percent, int) {
        if (percent == 20)
            QTimer::singleShot(0, form->CancelBtn, &QToolButton::click);  // during the second message's events
    });
    SelectRows(*form, {3, 4, 5, 6, 7});
    form->ExportBtn->click();
    QCOMPARE(world.dialogs.information, QStringList("Export beendet|Es wurden 2 Nachrichten exportiert!"));
    QCOMPARE(FilesIn(target.Path()).size(), std::size_t(2));
    QVERIFY(form->FCancel);
    ExpectIdle(*form);
}

void BatchRunTest::exportEndsCleanlyWhenTheFolderChanges()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder target;
    AnswerTargetFolder(world, QString::fromStdString(target.Path()));
    connect(form->StatusPanel1, &ProgressPanel::PercentChanged, [&](int percent, int) {
        if (percent == 25)
            QTimer::singleShot(0, form.get(), [&] {
                form->TreeView1->setCurrentItem(form->TreeView1->topLevelItem(0)->child(1));
                form->TreeView1Click();
            });
    });
    SelectRows(*form, {0, 1, 2, 3});
    form->ExportBtn->click();
    QCOMPARE(world.dialogs.information, QStringList("Export beendet|Es wurde 1 Nachricht exportiert!"));
    QCOMPARE(form->FCurrentFile, std::string("Posteingang.dbx"));
    ExpectIdle(*form);
}

void BatchRunTest::failedExportGoesBackToIdle()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder target;
    const std::string notAFolder = target.File("datei");
    storewriter::WriteFileBytes(notAFolder, "x");
    AnswerTargetFolder(world, QString::fromStdString(notAFolder));
    SelectRows(*form, {0, 1});
    form->ExportBtn->click();
    // Each message fails alone; the run asks once, goes on and counts what
    // was written.
    QCOMPARE(world.dialogs.questions.size(), 1);
    QVERIFY(world.dialogs.questions.first().endsWith("konnte nicht erstellt werden!"));
    QCOMPARE(world.dialogs.information.last(),
             QString("Export beendet|Es wurden 0 Nachrichten exportiert!\n2 Nachrichten konnten nicht exportiert werden."));
    ExpectIdle(*form);
    AnswerTargetFolder(world, QString::fromStdString(target.File("ordner")));
    form->ExportBtn->click();
    QCOMPARE(world.dialogs.information.last(), QString("Export beendet|Es wurden 2 Nachrichten exportiert!"));
}

void BatchRunTest::exportCarriesAttachmentsWhenTheBoxIsTicked()
{
    namespace sw = storewriter;
    GuiWorld world;
    TempFolder store;
    const auto mail = [](const std::string& subject, std::uint64_t date, const std::string& body) {
        sw::MessageDescription m;
        m.subject = subject;
        m.date = date;
        m.source = "Subject: " + subject + "\r\nMIME-Version: 1.0\r\n" + body;
        return sw::MessageRecord(m);
    };
    const std::string withFile =
        "Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nanbei\r\n"
        "--b\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"rechnung.pdf\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\nJVBERi0xLjQK\r\n--b--\r\n";
    sw::WriteFileBytes(store.File("folders.dbx"),
                       sw::BuildStoreFile({sw::FolderRecord({.id = 1, .parentId = 0, .name = "Post", .fileName = "Post.dbx"})}).bytes);
    sw::WriteFileBytes(store.File("Post.dbx"),
                       sw::BuildStoreFile({mail("Rechnung", sw::FileTimeFromUtc(2004, 1, 2), withFile),
                                           mail("Gruss", sw::FileTimeFromUtc(2004, 1, 1), "Content-Type: text/plain\r\n\r\nhallo\r\n")})
                           .bytes);
    auto form = world.OpenWindow(store.Path());
    const QList<QTreeWidgetItem*> post = form->TreeView1->findItems("Post", Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(post.size(), 1);
    form->TreeView1->setCurrentItem(post.first());
    form->TreeView1Click();
    QCOMPARE(form->ListModel()->rowCount(), 2);

    // The box as each run's dialog shows it: ticked for the first export,
    // kept for the next one, disabled for saving .eml files.
    bool tick = true;
    QList<std::pair<bool, bool>> shown;  // enabled, checked
    TempFolder first, second;
    std::string target = first.Path();
    world.dialogs.onModal = [&](QDialog& dialog) {
        auto& exportForm = static_cast<TExportForm&>(dialog);
        shown << std::make_pair(exportForm.AttachmentsCheck->isEnabled(), exportForm.AttachmentsCheck->isChecked());
        exportForm.DirectoryEdit1->SetText(QString::fromStdString(target));
        exportForm.datecheck->setChecked(false);
        if (exportForm.AttachmentsCheck->isEnabled())
            exportForm.AttachmentsCheck->setChecked(tick);
        return int(QDialog::Accepted);
    };
    SelectRows(*form, {0, 1});
    form->ExportBtn->click();
    QCOMPARE(world.dialogs.information.last(), QString("Export beendet|Es wurden 2 Nachrichten exportiert!"));
    QCOMPARE(FilesIn(first.Path()), (std::set<std::string>{"Rechnung.htm", "Rechnung Anlagen", "Gruss.htm"}));
    QCOMPARE(FilesIn(first.File("Rechnung Anlagen")), std::set<std::string>{"rechnung.pdf"});
    QCOMPARE(PageText(first.File("Rechnung Anlagen/rechnung.pdf")), std::string("%PDF-1.4\n"));
    QVERIFY(PageText(first.File("Rechnung.htm")).find("href=\"Rechnung%20Anlagen/rechnung.pdf\"") != std::string::npos);

    target = second.Path();
    form->SaveBtn->click();
    tick = false;
    form->ExportBtn->click();
    QCOMPARE(shown, (QList<std::pair<bool, bool>>{{true, false}, {false, true}, {true, true}}));
    // Without the box: the .eml files of the save, the pages, no folder, no links.
    QCOMPARE(FilesIn(second.Path()), (std::set<std::string>{"Rechnung.eml", "Gruss.eml", "Rechnung.htm", "Gruss.htm"}));
    QVERIFY(PageText(second.File("Rechnung.htm")).find("href=") == std::string::npos);
    ExpectIdle(*form);
}

void BatchRunTest::selectionDuringARunIsShownAfterIt()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder target;
    AnswerTargetFolder(world, QString::fromStdString(target.Path()));
    const std::int32_t before = form->FShownOffset;
    std::int32_t duringRun = 0;
    connect(form->StatusPanel1, &ProgressPanel::PercentChanged, [&](int percent, int) {
        if (percent == 50)
            QTimer::singleShot(0, form.get(), [&] {
                form->ListView1->selectionModel()->select(form->ListModel()->index(9, 0),
                                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
                duringRun = form->FShownOffset;
            });
    });
    SelectRows(*form, {4, 5});
    QVERIFY(form->FShownOffset != before);
    const std::int32_t shownAtStart = form->FShownOffset;
    form->ExportBtn->click();
    QCOMPARE(duringRun, shownAtStart);  // not rendered while the run was busy
    QCOMPARE(world.dialogs.information.size(), 1);
    QVERIFY(!form->FBusy);
}

void BatchRunTest::printsToPdfWithHeaderBodyAndImages()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder pdfs;
    int jobs = 0;
    form->PrinterFactory = [&] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdfs.File("druck" + std::to_string(jobs++) + ".pdf")));
        return printer;
    };
    QTest::mouseClick(form->ShowHead, Qt::LeftButton);  // printing uses the design all the same
    SelectRows(*form, {10, 3});
    QVERIFY(WaitForPage(*form));
    const QUrl shownBefore = form->WebBrowser1->LocationURL();
    form->PrintBtn->click();
    QCOMPARE(world.dialogs.errors, QStringList());
    QCOMPARE(world.dialogs.information, QStringList("Drucken beendet|Es wurden 2 Nachrichten gedruckt!"));
    // The factory's first call only looked for a printer.
    const QString first = QString::fromStdString(pdfs.File("druck1.pdf"));
    const QString second = QString::fromStdString(pdfs.File("druck2.pdf"));
    QVERIFY(QFile::exists(first) && QFile::exists(second));
    // Printed through the page's own PDF: the text is text, and the page has
    // the template's margins (Modern: 16 mm 15 mm, that is 42.5 pt on the left).
    const QString selectable = Run("pdftotext", {first, "-"});
    QVERIFY2(selectable.contains("Absender 6") && selectable.contains("Text 6"), qPrintable(selectable));
    const double left = LeftmostWord(first);
    QVERIFY2(left > 40 && left < 120, qPrintable(QString::number(left)));
    qInfo("one printed page: %lld bytes", static_cast<long long>(QFileInfo(first).size()));
    TempFolder pages;
    const QString text = OcrText(FirstPageImage(first, pages));
    QVERIFY2(text.contains("Von:") && text.contains("Absender 6") && text.contains("Text 6") &&
                 text.contains("Betreff:"),
             qPrintable(text));
    const QString picture = FirstPageImage(second, pages);
    QVERIFY2(OcrText(picture).contains("Zwei Bilder"), qPrintable(OcrText(picture)));
    const QImage page(picture);
    QVERIFY(HasColour(page, qRgb(0, 0, 128)));    // the first embedded image
    QVERIFY(HasColour(page, qRgb(200, 40, 40)));  // the second one
    QVERIFY(std::filesystem::exists(form->TempFolder() + "print.htm"));
    QVERIFY(std::filesystem::exists(form->TempFolder() + "eins@x"));
    QVERIFY(QTest::qWaitFor([&] { return form->WebBrowser1->LocationURL() == shownBefore; }, 10000));
    ExpectIdle(*form);
}

void BatchRunTest::printCancelledAtTheSecondOfFive()
{
    GuiWorld world;
    auto form = OpenTen(world);
    TempFolder pdfs;
    int calls = 0;
    form->PrinterFactory = [&]() -> std::unique_ptr<QPrinter> {
        if (++calls == 3)  // the look-up, the first message, now the second one
            form->CancelBtn->click();
        auto printer = std::make_unique<QPrinter>();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdfs.File(std::to_string(calls) + ".pdf")));
        return printer;
    };
    SelectRows(*form, {0, 2, 4, 6, 8});
    form->PrintBtn->click();
    QCOMPARE(world.dialogs.information, QStringList("Drucken beendet|Es wurden 2 Nachrichten gedruckt!"));
    QCOMPARE(calls, 3);
    ExpectIdle(*form);
}

void BatchRunTest::noPrinterIsReportedAndPageWaitIsBounded()
{
    GuiWorld world;
    auto form = OpenTen(world);
    form->PrinterFactory = [] { return std::unique_ptr<QPrinter>(); };
    SelectRows(*form, {0});
    form->PrintBtn->click();
    QCOMPARE(world.dialogs.errors.size(), 1);
    QVERIFY(world.dialogs.errors.first().startsWith("Es ist kein Drucker eingerichtet"));
    ExpectIdle(*form);

    TempFolder pdfs;
    form->PrinterFactory = [&] {
        auto printer = std::make_unique<QPrinter>();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(QString::fromStdString(pdfs.File("x.pdf")));
        return printer;
    };
    form->FPageWaitMilliseconds = 0;  // no page loads that fast
    form->PrintBtn->click();
    QCOMPARE(world.dialogs.errors.size(), 2);
    QVERIFY(world.dialogs.errors.last().startsWith("Die Druckseite konnte nicht geladen werden"));
    ExpectIdle(*form);
}

void BatchRunTest::searchResultsActLikeAFolder()
{
    GuiWorld world;
    TempFolder cache;
    auto form = OpenTenSearchingInto(world, cache);
    form->SearchEdit->setText("an:anna datum:2004-01");
    QTest::keyClick(form->SearchEdit, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning(); }, 30000));
    QCOMPARE(form->TreeView1->topLevelItem(0)->text(0), QString("Suchergebnis (8)"));
    QCOMPARE(form->TreeView1->currentItem(), form->TreeView1->topLevelItem(0));
    QCOMPARE(form->ListModel()->columnCount(), 6);
    QCOMPARE(form->ListModel()->rowCount(), 8);
    QVERIFY2(form->StatusPanel0->text().contains("1 Ordnerdateien nicht lesbar"), qPrintable(form->StatusPanel0->text()));
    int fromOutbox = -1;
    for (int row = 0; row < 8; ++row) {
        const QString folder = form->ListModel()->index(row, kColumnFolder).data().toString();
        QVERIFY2(folder == "Lokale Ordner/Archiv/Zehn" || folder == "Lokale Ordner/Postausgang", qPrintable(folder));
        if (folder.endsWith("Postausgang"))
            fromOutbox = row;
    }
    QVERIFY(fromOutbox >= 0);
    // Each result is read from its own folder file: the preview, and a save.
    SelectRow(*form, fromOutbox);
    QVERIFY(WaitForPage(*form));
    QVERIFY(ShownPage(*form, world).find("raus") != std::string::npos);
    TempFolder target;
    AnswerTargetFolder(world, QString::fromStdString(target.Path()), false);
    SelectRows(*form, {0, 1, 2, 3, 4, 5, 6, 7});
    form->SaveBtn->click();
    const auto saved = FilesIn(target.Path());
    QCOMPARE(saved.size(), std::size_t(8));
    QVERIFY(saved.count("raus.eml") && saved.count("Nachricht 6.eml"));
    ExpectIdle(*form);

    // Emptying the field returns to the folder shown before.
    form->SearchEdit->clear();
    QVERIFY(form->TreeView1->findItems("Suchergebnis", Qt::MatchStartsWith).isEmpty());
    QCOMPARE(form->TreeView1->currentItem()->text(0), QString("Zehn"));
    QCOMPARE(form->ListModel()->columnCount(), 5);
    QCOMPARE(form->ListModel()->rowCount(), 11);

    form->SearchEdit->setText("datum:morgen");
    QTest::keyClick(form->SearchEdit, Qt::Key_Return);
    QCOMPARE(world.dialogs.errors.size(), 1);
    QVERIFY(world.dialogs.errors.first().contains(QString::fromUtf8("Ungültige Datumsangabe: morgen")));
}

void BatchRunTest::searchResultsComeInPagesAndTheFieldObeysKeys()
{
    GuiWorld world;
    TempFolder cache;
    auto form = OpenTenSearchingInto(world, cache);
    form->FSearchPageSize = 3;
    QStringList titles;
    connect(form->TreeView1, &QTreeWidget::itemChanged, [&](QTreeWidgetItem* item) { titles << item->text(0); });
    form->SearchEdit->setText("an:anna datum:2004-01");
    QTest::keyClick(form->SearchEdit, Qt::Key_Return);
    // The pages fit the list: each brings the next, until all are there.
    QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning() && form->ListModel()->rowCount() == 8; }, 30000));
    QVERIFY2(titles.contains("Suchergebnis (3 von 8)") && titles.contains("Suchergebnis (6 von 8)"),
             qPrintable(titles.join('|')));
    QCOMPARE(form->TreeView1->topLevelItem(0)->text(0), QString("Suchergebnis (8)"));
    QVERIFY2(form->StatusPanel0->text().startsWith("8 Nachrichten gefunden"), qPrintable(form->StatusPanel0->text()));

    // Another folder: what the search found is no longer said.
    form->TreeView1->setCurrentItem(form->TreeView1->topLevelItem(1));
    form->TreeView1Click();
    QCOMPARE(form->StatusPanel0->text(), QString());

    form->SearchEdit->setText("betreff:raus");
    QTest::keyClick(form->SearchEdit, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning(); }, 30000));
    QVERIFY2(form->StatusPanel0->text().startsWith("1 Nachricht gefunden"), qPrintable(form->StatusPanel0->text()));
    const QString tip = form->ListModel()->index(0, 0).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QString::fromUtf8("»raus«")), qPrintable(tip));

    form->activateWindow();
    form->ListView1->setFocus();
    QVERIFY(QTest::qWaitFor([&] { return form->ListView1->hasFocus(); }, 3000));
    QTest::keyClick(form->ListView1, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(QTest::qWaitFor([&] { return form->SearchEdit->hasFocus(); }, 3000));
    QTest::keyClick(form->SearchEdit, Qt::Key_Escape);
    QCOMPARE(form->SearchEdit->text(), QString());
    QVERIFY(form->TreeView1->findItems("Suchergebnis", Qt::MatchStartsWith).isEmpty());
    QCOMPARE(form->StatusPanel0->text(), QString());
    QCOMPARE(world.dialogs.errors.size(), 0);
}

// The field emptied, or another store opened, while the first page or a
// later one is read: what the worker brings back is dropped, not shown
// (nor does a later page land under a "Suchergebnis" item that is gone).
void BatchRunTest::searchDroppedMeanwhileShowsNothing()
{
    GuiWorld world;
    TempFolder cache;
    auto form = OpenTenSearchingInto(world, cache);
    form->FSearchPageSize = 3;
    form->ListView1->setFixedHeight(70);  // a page of three rows scrolls
    const struct {
        const char* what;
        bool duringNextPage;
        std::function<void()> drop;
    } cases[] = {
        {"field emptied, first page", false, [&] { form->SearchEdit->clear(); }},
        {"field emptied, next page", true, [&] { form->SearchEdit->clear(); }},
        {"other store, first page", false, [&] { form->OpenStore(world.StoreDir()); }},
        {"other store, next page", true, [&] { form->OpenStore(world.StoreDir()); }},
    };
    for (const auto& c : cases) {
        form->SearchEdit->setText("an:anna datum:2004-01");
        form->SearchEditReturn();
        if (c.duringNextPage) {
            QScrollBar* scroll = form->ListView1->verticalScrollBar();
            QVERIFY2(QTest::qWaitFor([&] { return !form->SearchRunning() && form->ListModel()->rowCount() >= 3 &&
                                                  scroll->maximum() > 0; }, 30000), c.what);
            QVERIFY2(form->ListModel()->rowCount() < 8, c.what);
            scroll->setValue(scroll->maximum());  // scrolled to the end: the next page is read
            QVERIFY2(form->SearchRunning(), c.what);
        }
        c.drop();
        QVERIFY2(QTest::qWaitFor([&] { return !form->SearchRunning(); }, 30000), c.what);
        QTest::qWait(20);
        QVERIFY2(form->TreeView1->findItems("Suchergebnis", Qt::MatchStartsWith).isEmpty(), c.what);
        QVERIFY2(form->StatusPanel0->text().isEmpty(), qPrintable(QString(c.what) + ": " + form->StatusPanel0->text()));
        QCOMPARE(form->ListModel()->columnCount(), 5);
        QVERIFY2(form->ListModel()->rowCount() > 0, c.what);
        QVERIFY(!form->CancelBtn->isEnabled());
    }
    // Left alone, the page scrolled to arrives and joins the list.
    form->SearchEdit->setText("an:anna datum:2004-01");
    form->SearchEditReturn();
    QScrollBar* scroll = form->ListView1->verticalScrollBar();
    QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning() && scroll->maximum() > 0; }, 30000));
    const int before = form->ListModel()->rowCount();
    QVERIFY(before < 8);
    scroll->setValue(scroll->maximum());
    QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning() && form->ListModel()->rowCount() > before; }, 30000));
    QCOMPARE(world.dialogs.errors.size(), 0);
}

// "Abbrechen" during the first search (the index being built) ends it with
// nothing shown; the next search builds on and finds.
void BatchRunTest::abbrechenStopsTheFirstIndexBuild()
{
    GuiWorld world;
    TempFolder cache;
    auto form = OpenTenSearchingInto(world, cache);
    form->SearchEdit->setText("an:anna datum:2004-01");
    form->SearchEditReturn();
    QVERIFY(form->CancelBtn->isEnabled());
    QCOMPARE(form->StatusPanel0->text(), QString::fromUtf8("Suche läuft…"));
    form->CancelBtn->click();
    QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning(); }, 30000));
    QCOMPARE(form->StatusPanel0->text(), QString("Suche abgebrochen"));
    QVERIFY(form->TreeView1->findItems("Suchergebnis", Qt::MatchStartsWith).isEmpty());
    QCOMPARE(form->TreeView1->currentItem()->text(0), QString("Zehn"));
    ExpectIdle(*form);

    form->SearchEditReturn();
    QVERIFY(QTest::qWaitFor([&] { return !form->SearchRunning(); }, 30000));
    QCOMPARE(form->TreeView1->topLevelItem(0)->text(0), QString("Suchergebnis (8)"));
    QVERIFY2(form->StatusPanel0->text().startsWith("8 Nachrichten gefunden"), qPrintable(form->StatusPanel0->text()));
    ExpectIdle(*form);
}

// The folder column gets its fitted width or the one the user dragged, and
// leaves the subject room; counts in the status bar are written as in German.
void BatchRunTest::searchKeepsTheColumnsAndCountsInGerman()
{
    GuiWorld world;
    TempFolder cache;
    auto form = OpenTenSearchingInto(world, cache);
    form->FSearchPageSize = 3;
    QHeaderView* header = form->ListView1->header();
    const auto search = [&] {
        form->SearchEdit->setText("an:anna datum:2004-01");
        form->SearchEditReturn();
        return QTest::qWaitFor([&] { return !form->SearchRunning() && form->ListModel()->rowCount() == 8; }, 30000);
    };
    QVERIFY(search());
    QVERIFY2(header->sectionSize(kColumnSubject) >= header->sectionSize(kColumnFrom),
             qPrintable(QString("Betreff %1, Von %2, Ordner %3").arg(header->sectionSize(kColumnSubject))
                            .arg(header->sectionSize(kColumnFrom)).arg(header->sectionSize(kColumnFolder))));
    // The first result stays marked while the later pages join the list.
    QCOMPARE(form->StatusCount->text(), QString("8 Nachrichten, 1 markiert"));
    header->resizeSection(kColumnFolder, 180);  // the user drags "Ordner"
    form->SearchEdit->clear();
    QVERIFY(search());
    QCOMPARE(header->sectionSize(kColumnFolder), 180);

    const struct {
        int messages, selected;
        const char* text;
    } counts[] = {{1000, 0, "1.000 Nachrichten"}, {100000, 1234, "100.000 Nachrichten, 1.234 markiert"}, {999, 1, "999 Nachrichten, 1 markiert"}};
    for (const auto& c : counts)
        QCOMPARE(MessageCountText(c.messages, c.selected), QString(c.text));
}
