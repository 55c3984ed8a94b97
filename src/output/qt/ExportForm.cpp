#include "output/qt/ExportForm.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "ui/FolderEdit.h"

namespace vellumine {

TExportForm::TExportForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("eMails speichern/exportieren"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    // Laid out, not placed: the texts get the room their font needs, and
    // the dialog can be made larger.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);

    auto* panel5 = new QFrame(this);
    panel5->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel5->setStyleSheet(QStringLiteral("QFrame { background: rgb(240, 202, 166); }"));
    auto* panelLayout = new QHBoxLayout(panel5);
    panelLayout->setContentsMargins(8, 6, 8, 6);
    TitleLabel = new QLabel(QString::fromUtf8("eMails speichern bzw. exportieren - Das Zielverzeichnis wählen"), panel5);
    QFont bold = TitleLabel->font();
    bold.setBold(true);
    TitleLabel->setFont(bold);
    TitleLabel->setWordWrap(true);
    panelLayout->addWidget(TitleLabel);
    layout->addWidget(panel5);

    auto* body = new QGridLayout();
    body->setContentsMargins(8, 4, 8, 4);
    body->addWidget(new QLabel(QStringLiteral("Zielverzeichnis:"), this), 0, 0);
    DirectoryEdit1 = new FolderEdit(this);
    DirectoryEdit1->setMinimumWidth(240);
    body->addWidget(DirectoryEdit1, 0, 1, 1, 2);
    datecheck = new QCheckBox(QStringLiteral("Datum als Teil des Dateinamens"), this);
    datecheck->setChecked(true);
    body->addWidget(datecheck, 1, 0, 1, 3);
    AllHTMLCheck = new QRadioButton(QStringLiteral("Immer im HTML Format speichern"), this);
    AllHTMLCheck->setChecked(true);
    body->addWidget(AllHTMLCheck, 2, 0, 1, 2);
    TXTCheck = new QRadioButton(QStringLiteral("Immer im TXT Format speichern"), this);
    body->addWidget(TXTCheck, 3, 0, 1, 2);
    RawTextCheck = new QCheckBox(QString::fromUtf8("TXT unverändert (Originalzeichensatz)"), this);
    body->addWidget(RawTextCheck, 3, 2);
    MixedCheck = new QRadioButton(QStringLiteral("Je nach eMail-Format speichern"), this);
    body->addWidget(MixedCheck, 4, 0, 1, 2);
    AttachmentsCheck = new QCheckBox(QStringLiteral("Anlagen mitspeichern"), this);
    AttachmentsCheck->setToolTip(QString::fromUtf8(
        "Die Anlagen jeder Nachricht in einen Ordner neben ihrer Datei, \"<Dateiname> Anlagen\"; "
        "die Liste der Seite verweist auf sie."));
    body->addWidget(AttachmentsCheck, 5, 0, 1, 3);
    body->setColumnStretch(2, 1);
    layout->addLayout(body);
    layout->addStretch(1);

    auto* bevel1 = new QFrame(this);
    bevel1->setFrameShape(QFrame::HLine);
    bevel1->setFrameShadow(QFrame::Sunken);
    layout->addWidget(bevel1);
    auto* buttons = new QHBoxLayout();
    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setMinimumWidth(105);
    OkBtn->setDefault(true);
    OkBtn->setEnabled(false);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setMinimumWidth(105);
    buttons->addStretch(1);
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    resize(std::max(385, sizeHint().width()), std::max(187, sizeHint().height()));

    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(DirectoryEdit1, &FolderEdit::Changed, this, &TExportForm::DirectoryEdit1Change);

    QWidget::setTabOrder(DirectoryEdit1, OkBtn);
    QWidget::setTabOrder(OkBtn, CancelBtn);
    QWidget::setTabOrder(CancelBtn, datecheck);
    QWidget::setTabOrder(datecheck, TXTCheck);
    QWidget::setTabOrder(TXTCheck, AllHTMLCheck);
    QWidget::setTabOrder(AllHTMLCheck, MixedCheck);
    QWidget::setTabOrder(MixedCheck, RawTextCheck);
    QWidget::setTabOrder(RawTextCheck, AttachmentsCheck);
}

void TExportForm::DirectoryEdit1Change()
{
    OkBtn->setEnabled(!DirectoryEdit1->Text().isEmpty());
}

void TExportForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    DirectoryEdit1->setFocus();
}

}  // namespace vellumine
