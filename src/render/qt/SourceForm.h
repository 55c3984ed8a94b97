#pragma once
// The source window: a message's source, read only, in a fixed-width type,
// with "Speichern unter…", which writes the stored bytes unchanged.

#include <QDialog>
#include <functional>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace vellumine {

class TSourceForm : public QDialog {
    Q_OBJECT
public:
    explicit TSourceForm(QWidget* parent = nullptr);

    // Shows `source` (decoded for display); "Speichern unter…" saves it as it stands.
    void ShowSource(const QString& title, const std::string& source, const QString& suggestedName);
    // Writes the source's bytes to `path`; the German error text on failure, else empty.
    QString SaveSourceAs(const QString& path) const;

    // Asks for the file to save to; tests give their own. Empty: cancelled.
    std::function<QString(const QString& suggested)> AskSavePath;
    // Shows a failed save; tests give their own.
    std::function<void(const QString& error)> ShowSaveError;

    QPlainTextEdit* SourceEdit;
    QPushButton* SaveBtn;
    QPushButton* CloseBtn;

private:
    void SaveBtnClick();
    std::string FSource;
    QString FSuggestedName;
};

}  // namespace vellumine
