#include "render/qt/SourceForm.h"

#include <QDir>
#include <QFile>
#include <QTextCursor>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "platform/FileAccess.h"
#include "render/SourceText.h"

namespace vellumine {

TSourceForm::TSourceForm(QWidget* parent) : QDialog(parent)
{
    resize(696, 480);
    auto* layout = new QVBoxLayout(this);
    SourceEdit = new QPlainTextEdit(this);
    SourceEdit->setReadOnly(true);
    SourceEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    SourceEdit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(SourceEdit, 1);
    auto* buttons = new QHBoxLayout();
    SaveBtn = new QPushButton(QString::fromUtf8("Speichern unter…"), this);
    CloseBtn = new QPushButton(QString::fromUtf8("Zurück"), this);
    buttons->addWidget(SaveBtn);
    buttons->addStretch(1);
    buttons->addWidget(CloseBtn);
    layout->addLayout(buttons);
    connect(SaveBtn, &QPushButton::clicked, this, &TSourceForm::SaveBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
    AskSavePath = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QString::fromUtf8("Quelltext speichern unter"),
                                            QDir::home().filePath(suggested),
                                            QStringLiteral("eMail-Dateien (*.eml);;Alle Dateien (*)"));
    };
    ShowSaveError = [this](const QString& error) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Vellumine"), error, QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText);
        box.exec();
    };
}

void TSourceForm::ShowSource(const QString& title, const std::string& source, const QString& suggestedName)
{
    FSource = source;
    FSuggestedName = suggestedName;
    setWindowTitle(title);
    SourceEdit->setPlainText(QString::fromStdString(SourceTextForDisplay(source)));
    SourceEdit->moveCursor(QTextCursor::Start);
}

QString TSourceForm::SaveSourceAs(const QString& path) const
{
    try {
        // The user chose this name in the dialog, which asked before replacing.
        WriteFileReplacing(QFile::encodeName(path).toStdString(), FSource);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

void TSourceForm::SaveBtnClick()
{
    const QString path = AskSavePath(FSuggestedName);
    if (path.isEmpty())
        return;
    if (const QString error = SaveSourceAs(path); !error.isEmpty())
        ShowSaveError(error);
}

}  // namespace vellumine
