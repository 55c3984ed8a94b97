#include "output/qt/ExportForm.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "ui/FolderEdit.h"

namespace vellumine {

TExportForm::TExportForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("eMails speichern/exportieren"));
    setFixedSize(385, 187);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* panel5 = new QFrame(this);
    panel5->setGeometry(0, 0, 385, 33);
    panel5->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel5->setStyleSheet(QStringLiteral("QFrame { background: rgb(240, 202, 166); }"));
    TitleLabel = new QLabel(QString::fromUtf8("eMails speichern bzw. exportieren - Das Zielverzeichnis wählen"), panel5);
    QFont bold = TitleLabel->font();
    bold.setBold(true);
    TitleLabel->setFont(bold);
    TitleLabel->setWordWrap(true);
    TitleLabel->setGeometry(8, 0, 370, 33);

    auto* label1 = new QLabel(QStringLiteral("Zielverzeichnis:"), this);
    label1->move(8, 42);
    DirectoryEdit1 = new FolderEdit(this);
    DirectoryEdit1->setGeometry(96, 38, 281, 22);
    datecheck = new QCheckBox(QStringLiteral("Datum als Teil des Dateinamens"), this);
    datecheck->move(8, 64);
    datecheck->setChecked(true);
    AllHTMLCheck = new QRadioButton(QStringLiteral("Immer im HTML Format speichern"), this);
    AllHTMLCheck->move(8, 86);
    AllHTMLCheck->setChecked(true);
    TXTCheck = new QRadioButton(QStringLiteral("Immer im TXT Format speichern"), this);
    TXTCheck->move(8, 104);
    MixedCheck = new QRadioButton(QStringLiteral("Je nach eMail-Format speichern"), this);
    MixedCheck->move(8, 122);
    RawTextCheck = new QCheckBox(QString::fromUtf8("TXT unverändert (Originalzeichensatz)"), this);
    RawTextCheck->move(200, 104);

    auto* bevel1 = new QFrame(this);
    bevel1->setFrameShape(QFrame::HLine);
    bevel1->setFrameShadow(QFrame::Sunken);
    bevel1->setGeometry(0, 143, 385, 4);
    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setGeometry(84, 152, 105, 25);
    OkBtn->setDefault(true);
    OkBtn->setEnabled(false);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    CancelBtn->setGeometry(196, 152, 105, 25);
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
