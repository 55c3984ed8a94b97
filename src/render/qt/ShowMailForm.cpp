#include "render/qt/ShowMailForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include "render/qt/BrowserView.h"

namespace vellumine {
namespace {

QLineEdit* FieldBox(QWidget* parent, int top)
{
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setGeometry(64, top - 2, 400, 17);
    edit->setStyleSheet(QStringLiteral("background: palette(window);"));
    return edit;
}

}  // namespace

TShowMailForm::TShowMailForm(QWidget* parent) : QDialog(parent)
{
    resize(696, 480);
    QFont small = font();
    small.setPointSize(8);  // the small type of the main window
    setFont(small);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* top = new QWidget(this);
    top->setFixedHeight(81);
    const char* labels[] = {"Von:", "Datum:", "An:", "Betreff:"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromUtf8(labels[i]), top);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->move(8, 8 + 16 * i);
    }
    Edit1 = FieldBox(top, 8);
    Edit2 = FieldBox(top, 24);
    Edit3 = FieldBox(top, 40);
    Edit4 = FieldBox(top, 56);
    BitBtn1 = new QPushButton(QString::fromUtf8("Zurück"), top);
    BitBtn1->setIcon(QIcon(QStringLiteral(":/icons/cancel.svg")));
    BitBtn1->resize(113, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(top);

    WebBrowser1 = new BrowserView(this);
    layout->addWidget(WebBrowser1, 1);
    // Esc closes the window wherever the focus is: the page takes every key
    // for itself, so the dialog's own Esc never sees it.
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    close->setContext(Qt::WindowShortcut);
    connect(close, &QShortcut::activated, this, &QDialog::reject);
    connect(WebBrowser1, &BrowserView::EscapePressed, this, &QDialog::reject);
    WebBrowser1->AddZoomShortcuts(this);
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(true);
    layout->addWidget(status);
}

void TShowMailForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The first field would get the focus with its text selected.
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4})
        edit->deselect();
    WebBrowser1->setFocus();
}

void TShowMailForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    BitBtn1->move(width() - 113 - 15, 8);  // anchored to the top right corner
}

}  // namespace vellumine
