#pragma once
// The end of "Postablage exportieren": what the run did in one sentence,
// the table of folders, and a button that opens the report.

#include <QDialog>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vellumine {

class TMigrateResultForm : public QDialog {
    Q_OBJECT
public:
    explicit TMigrateResultForm(QWidget* parent = nullptr);

    // Fills the dialog; an empty report path leaves the button off.
    void ShowResult(const QString& summary, const QString& table, const QString& reportPath);

    // Opens the report; by default with the desktop's program for it.
    std::function<void(const QString& path)> OpenReport;

    QLabel* SummaryLabel;
    QPlainTextEdit* TableEdit;
    QPushButton* OpenReportBtn;
    QPushButton* CloseBtn;

private:
    QString FReportPath;
};

}  // namespace vellumine
