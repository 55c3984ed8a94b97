#pragma once
// The single-message window: the preview's page in a larger browser, with
// sender, date, recipient and subject in boxes above it.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vellumine {

class BrowserView;

class TShowMailForm : public QDialog {
    Q_OBJECT
public:
    explicit TShowMailForm(QWidget* parent = nullptr);

    QLineEdit* Edit1;  // sender
    QLineEdit* Edit2;  // date
    QLineEdit* Edit3;  // recipient
    QLineEdit* Edit4;  // subject
    QPushButton* BitBtn1;  // "Zurück"
    BrowserView* WebBrowser1;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

}  // namespace vellumine
