#include "app/qt/AboutBox.h"

#include "app/qt/KeyboardShortcuts.h"

#include <QDate>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSvgWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/Version.h"

namespace vellumine {

QString FillInYear(QString notice, int year)
{
    const int at = notice.indexOf(QStringLiteral("XXXX"));
    if (at >= 0)
        notice.replace(at, 4, QString::number(year).rightJustified(4, '0'));
    return notice;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Info"));
    setMinimumSize(664, 453);
    auto* layout = new QVBoxLayout(this);
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setStyleSheet(QStringLiteral("QFrame { background: #fbfaf6; }"));
    auto* frameLayout = new QHBoxLayout(frame);
    auto* picture = new QSvgWidget(QStringLiteral(":/icons/about.svg"), frame);
    picture->setFixedSize(240, 240);
    frameLayout->addWidget(picture, 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout();
    const QString version = QString::fromLatin1(kVellumineVersion);
    auto* title = new QLabel(QStringLiteral("<h2>Tarnwick Vellumine %1</h2>").arg(version), frame);
    auto* versionLine = new QLabel(QStringLiteral("Version %1").arg(version), frame);
    versionLine->setObjectName(QStringLiteral("VersionLabel"));
    auto* description = new QLabel(
        QString::fromUtf8("Vellumine öffnet die Postablagen von Outlook Express 5 und 6 und holt die "
                          "Nachrichten heraus: ansehen, drucken, als .eml-Dateien speichern und als "
                          "HTML- oder Textdateien exportieren. Die Ablage selbst wird nur gelesen, "
                          "nie verändert."),
        frame);
    description->setWordWrap(true);
    auto* maker = new QLabel(QString::fromUtf8("Tarnwick Software<br>Werkzeuge für alte und neue Post"), frame);
    NoticeLabel = new QLabel(FillInYear(QString::fromUtf8("© XXXX Tarnwick Software. Alle Rechte vorbehalten."),
                                        QDate::currentDate().year()),
                             frame);
    ShortcutLabel = new QLabel(QStringLiteral("Tasten:\n") + ShortcutListText(), frame);
    ShortcutLabel->setTextFormat(Qt::PlainText);
    for (QLabel* label : {title, versionLine, description, maker, NoticeLabel, ShortcutLabel})
        texts->addWidget(label);
    texts->addStretch(1);
    auto* homepage = new QPushButton(QStringLiteral("Tarnwick im Web besuchen"), frame);
    connect(homepage, &QPushButton::clicked, this, &TAboutBox::HomepageRequested);
    texts->addWidget(homepage, 0, Qt::AlignLeft);
    frameLayout->addLayout(texts, 1);
    layout->addWidget(frame, 1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

}  // namespace vellumine
