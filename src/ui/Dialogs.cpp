#include "ui/Dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace vellumine {

QString ErrorBoxText(const QString& text)
{
    // A sentence that ends in its own mark keeps it: no full stop after "!".
    if (text.isEmpty() || text.endsWith('.') || text.endsWith('!') || text.endsWith('?'))
        return text;
    return text + '.';
}

std::unique_ptr<QMessageBox> MakePlainBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                          const QString& text)
{
    auto box = std::make_unique<QMessageBox>(icon, caption, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

namespace {
void ShowPlainBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text)
{
    MakePlainBox(parent, icon, caption, text)->exec();
}
}  // namespace

void QtDialogService::ShowError(QWidget* parent, const QString& text)
{
    ShowPlainBox(parent, QMessageBox::Critical, QStringLiteral("Vellumine"), ErrorBoxText(text));
}

void QtDialogService::ShowInformation(QWidget* parent, const QString& caption, const QString& text)
{
    ShowPlainBox(parent, QMessageBox::Information, caption, text);
}

void QtDialogService::ShowFileError(QWidget* parent, const QString& text)
{
    ShowPlainBox(parent, QMessageBox::Critical, QString(), text);
}

FailureChoice QtDialogService::AskAfterFailure(QWidget* parent, const QString& caption, const QString& text)
{
    const auto box = MakePlainBox(parent, QMessageBox::Warning, caption, text);
    box->setStandardButtons(QMessageBox::NoButton);
    QPushButton* next = box->addButton(QStringLiteral("Weiter"), QMessageBox::AcceptRole);
    QPushButton* skipAll = box->addButton(QString::fromUtf8("Alle überspringen"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box->setDefaultButton(next);
    box->setEscapeButton(cancel);
    box->exec();
    if (box->clickedButton() == skipAll)
        return FailureChoice::SkipAll;
    return box->clickedButton() == next ? FailureChoice::Continue : FailureChoice::Cancel;
}

void QtDialogService::ShowSummary(QWidget* parent, const QString& caption, const QString& text, const QString& details)
{
    const auto box = MakePlainBox(parent, QMessageBox::Warning, caption, text);
    box->setDetailedText(details);
    box->exec();
}

QString QtDialogService::ChooseFolder(QWidget* parent, const QString& title, const QString& start)
{
    return QFileDialog::getExistingDirectory(parent, title, start);
}

QString QtDialogService::ChooseSaveFile(QWidget* parent, const QString& title, const QString& proposed)
{
    return QFileDialog::getSaveFileName(parent, title, proposed, QStringLiteral("Alle Dateien (*)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

int QtDialogService::ExecModal(QDialog& dialog)
{
    return dialog.exec();
}

}  // namespace vellumine

static void InitVellumineResources()
{
    Q_INIT_RESOURCE(vellumine);
}

namespace vellumine {
void InitUiResources()
{
    InitVellumineResources();
}
}  // namespace vellumine

bool vellumine::InstallGermanQtTranslations()
{
    static QTranslator* translations = nullptr;
    if (translations)
        return true;
    auto* loaded = new QTranslator(QCoreApplication::instance());
    if (!loaded->load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete loaded;
        return false;
    }
    QCoreApplication::installTranslator(loaded);
    translations = loaded;
    return true;
}
