// What the window tells about itself: the store in its title, and in the
// status bar the messages of the folder and how many of them are marked.

#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QTreeView>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "platform/Version.h"
#include "ui/PlainText.h"

namespace vellumine {

QString GermanCount(std::size_t number)
{
    return QLocale(QLocale::German).toString(static_cast<qulonglong>(number));
}

QString MessageCountText(int messages, int selected)
{
    QString text = messages == 1 ? QStringLiteral("1 Nachricht")
                                 : GermanCount(static_cast<std::size_t>(messages)) + QStringLiteral(" Nachrichten");
    if (selected > 0)
        text += QStringLiteral(", ") + GermanCount(static_cast<std::size_t>(selected)) + QStringLiteral(" markiert");
    return text;
}

void TMainForm::UpdateStatusText()
{
    StatusCount->setText(MessageCountText(FListModel->rowCount(), SelectedCount()));
}

void TMainForm::UpdateWindowTitle()
{
    const QString program = QStringLiteral("Tarnwick Vellumine ") + QString::fromLatin1(kVellumineVersion);
    setWindowTitle(FStoreFolder.empty() ? program
                                        : PlainTitleText(QString::fromStdString(FStoreFolder)) +
                                              QString::fromUtf8(" – ") + program);
}

}  // namespace vellumine
