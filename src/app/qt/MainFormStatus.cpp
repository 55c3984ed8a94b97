// What the window tells about itself: the store in its title, and in the
// status bar the messages of the folder and how many of them are marked.

#include <QItemSelectionModel>
#include <QLabel>
#include <QTreeView>

#include "app/qt/MainForm.h"
#include "app/qt/MessageListModel.h"
#include "platform/Version.h"
#include "ui/PlainText.h"

namespace vellumine {

QString MessageCountText(int messages, int selected)
{
    QString text = messages == 1 ? QStringLiteral("1 Nachricht") : QString::number(messages) + QStringLiteral(" Nachrichten");
    if (selected > 0)
        text += QStringLiteral(", ") + QString::number(selected) + QStringLiteral(" markiert");
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
