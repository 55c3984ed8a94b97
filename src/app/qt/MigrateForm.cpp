#include "app/qt/MigrateForm.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/FolderEdit.h"

namespace vellumine {

TMigrateForm::TMigrateForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Postablage exportieren"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QString::fromUtf8("Alle Ordner und Nachrichten der Postablage werden übernommen und "
                                               "danach geprüft. Der Zielordner muss leer sein, außer ein früherer "
                                               "Lauf wird fortgesetzt."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    ThunderbirdCheck = new QRadioButton(QStringLiteral("Thunderbird (Lokale Ordner)"), this);
    MboxCheck = new QRadioButton(QStringLiteral("mbox-Dateien, Byte für Byte (mutt, Dovecot, Archiv)"), this);
    MaildirCheck = new QRadioButton(QStringLiteral("Maildir (IMAP-Server wie Dovecot)"), this);
    EmlCheck = new QRadioButton(QStringLiteral("Ordner mit .eml-Dateien"), this);
    ThunderbirdCheck->setChecked(true);
    for (QRadioButton* box : {ThunderbirdCheck, MboxCheck, MaildirCheck, EmlCheck})
        layout->addWidget(box);
    layout->addWidget(new QLabel(QStringLiteral("Zielverzeichnis:"), this));
    DirectoryEdit = new FolderEdit(this);
    layout->addWidget(DirectoryEdit);
    ResumeCheck = new QCheckBox(QString::fromUtf8("Früheren Lauf fortsetzen"), this);
    ResumeCheck->setEnabled(false);
    layout->addWidget(ResumeCheck);
    SalvageCheck = new QCheckBox(QString::fromUtf8("Auch gerettete Nachrichten übernehmen (in \"Gerettete Nachrichten\")"), this);
    SalvageCheck->setToolTip(QString::fromUtf8("Jede Ordnerdatei wird ganz durchsucht: gelöschte und verlorene "
                                               "Nachrichten kommen in einen Unterordner des Ordners"));
    layout->addWidget(SalvageCheck);
    auto* buttons = new QHBoxLayout();
    OkBtn = new QPushButton(QStringLiteral("OK"), this);
    OkBtn->setDefault(true);
    OkBtn->setEnabled(false);
    CancelBtn = new QPushButton(QStringLiteral("Abbrechen"), this);
    buttons->addStretch(1);
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    connect(OkBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(DirectoryEdit, &FolderEdit::Changed, this, [this] { RefreshTarget(); });
    resize(400, sizeHint().height());
}

// A target that holds anything holds an earlier run: going on with it is
// offered (and chosen), as a fresh run would refuse the folder.
void TMigrateForm::RefreshTarget()
{
    const QString target = DirectoryEdit->Text();
    OkBtn->setEnabled(!target.isEmpty());
    const QDir folder(target);
    const bool earlierRun =
        !target.isEmpty() && folder.exists() && !folder.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    ResumeCheck->setEnabled(earlierRun);
    ResumeCheck->setChecked(earlierRun);
}

bool TMigrateForm::Resume() const
{
    return ResumeCheck->isEnabled() && ResumeCheck->isChecked();
}

bool TMigrateForm::Salvage() const
{
    return SalvageCheck->isChecked();
}

MigrationFormat TMigrateForm::Format() const
{
    if (MaildirCheck->isChecked())
        return MigrationFormat::Maildir;
    if (EmlCheck->isChecked())
        return MigrationFormat::EmlTree;
    if (MboxCheck->isChecked())
        return MigrationFormat::Mboxrd;
    return MigrationFormat::Thunderbird;
}

}  // namespace vellumine
