#include "app/qt/MigrateResultForm.h"

#include <QDesktopServices>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace vellumine {

TMigrateResultForm::TMigrateResultForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Export beendet"));
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    auto* layout = new QVBoxLayout(this);
    SummaryLabel = new QLabel(this);
    SummaryLabel->setWordWrap(true);
    SummaryLabel->setTextFormat(Qt::PlainText);  // folder names as written
    layout->addWidget(SummaryLabel);
    TableEdit = new QPlainTextEdit(this);
    TableEdit->setReadOnly(true);
    TableEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8);
    TableEdit->setFont(fixed);
    layout->addWidget(TableEdit, 1);
    auto* buttons = new QHBoxLayout();
    OpenReportBtn = new QPushButton(QString::fromUtf8("Bericht öffnen"), this);
    CloseBtn = new QPushButton(QString::fromUtf8("Schließen"), this);
    CloseBtn->setDefault(true);
    buttons->addWidget(OpenReportBtn);
    buttons->addStretch(1);
    buttons->addWidget(CloseBtn);
    layout->addLayout(buttons);
    OpenReport = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    connect(OpenReportBtn, &QPushButton::clicked, this, [this] {
        if (!FReportPath.isEmpty() && OpenReport)
            OpenReport(FReportPath);
    });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    resize(640, 360);
}

void TMigrateResultForm::ShowResult(const QString& summary, const QString& table, const QString& reportPath)
{
    SummaryLabel->setText(summary);
    TableEdit->setPlainText(table);
    FReportPath = reportPath;
    OpenReportBtn->setEnabled(!reportPath.isEmpty());
}

}  // namespace vellumine
