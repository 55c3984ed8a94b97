#pragma once

#include <QDialog>

class QLabel;

namespace vellumine {

// The maker's web page, opened by the globe button and the dialog's button.
inline constexpr const char* kMakerPage = "https://tarnwick.example/vellumine/";

// The information dialog "Info": the maker and the program, the year
// filled in at creation.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    QLabel* NoticeLabel;
    QLabel* ShortcutLabel;  // the window's keys

signals:
    // The dialog's web button: the window opens the page (and says when it cannot).
    void HomepageRequested();
};

// The notice with its first "XXXX" replaced by the year.
QString FillInYear(QString notice, int year);

}  // namespace vellumine
