#include "ui/FolderEdit.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

namespace vellumine {

FolderEdit::FolderEdit(QWidget* parent) : QWidget(parent), FEdit(new QLineEdit(this)), FBrowse(new QToolButton(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    FBrowse->setText(QStringLiteral("…"));
    FBrowse->setToolTip(QStringLiteral("Ordner wählen"));
    FBrowse->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(FEdit, 1);
    layout->addWidget(FBrowse);
    setFocusProxy(FEdit);
    connect(FEdit, &QLineEdit::textChanged, this, &FolderEdit::Changed);
    connect(FBrowse, &QToolButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("Zielverzeichnis wählen"), Text());
        if (!chosen.isEmpty())
            SetText(chosen);
    });
}

QString FolderEdit::Text() const
{
    return FEdit->text();
}

void FolderEdit::SetText(const QString& text)
{
    FEdit->setText(text);
}

}  // namespace vellumine
