#include "ui/Dialogs.h"

#include <QDialog>
#include <QMessageBox>

namespace vellumine {

QString ErrorBoxText(const QString& text)
{
    // A sentence that ends in its own mark keeps it: no full stop after "!".
    if (text.isEmpty() || text.endsWith('.') || text.endsWith('!') || text.endsWith('?'))
        return text;
    return text + '.';
}

void QtDialogService::ShowError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QStringLiteral("Vellumine"), ErrorBoxText(text));
}

void QtDialogService::ShowInformation(QWidget* parent, const QString& caption, const QString& text)
{
    QMessageBox::information(parent, caption, text);
}

void QtDialogService::ShowFileError(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, QString(), text);
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
