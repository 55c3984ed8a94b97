#pragma once
// The one place the windows show message boxes and modal dialogs, so that
// tests can answer them without blocking.

#include <QMessageBox>
#include <QString>
#include <memory>

class QDialog;
class QWidget;

namespace vellumine {

// The answers to a run's first failed message.
enum class FailureChoice {
    Continue,  // "Weiter": this message is skipped
    SkipAll,   // "Alle überspringen": the rest are collected for the end
    Cancel,    // "Abbrechen": the run ends
};

class DialogService {
public:
    virtual ~DialogService() = default;
    // The application's error box: caption "Vellumine", error icon, a full
    // stop added when the text has none.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    virtual void ShowInformation(QWidget* parent, const QString& caption, const QString& text) = 0;
    // An error box without a caption of its own.
    virtual void ShowFileError(QWidget* parent, const QString& text) = 0;
    // Asked once per run, at its first failed message.
    virtual FailureChoice AskAfterFailure(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The end of a run in which messages failed: the sentence, and the
    // failures as a details list.
    virtual void ShowSummary(QWidget* parent, const QString& caption, const QString& text, const QString& details) = 0;
    // Runs a modal dialog and returns its result.
    virtual int ExecModal(QDialog& dialog) = 0;
    // The folder picker; empty when the user cancels.
    virtual QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) = 0;
    // The file dialog for saving under a new name, proposing `proposed` (a
    // path); empty when the user cancels. It does not ask about replacing
    // a file: the program never replaces one and says so instead.
    virtual QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& proposed) = 0;
};

class QtDialogService : public DialogService {
public:
    void ShowError(QWidget* parent, const QString& text) override;
    void ShowInformation(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowFileError(QWidget* parent, const QString& text) override;
    FailureChoice AskAfterFailure(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowSummary(QWidget* parent, const QString& caption, const QString& text, const QString& details) override;
    int ExecModal(QDialog& dialog) override;
    QString ChooseFolder(QWidget* parent, const QString& title, const QString& start) override;
    QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& proposed) override;
};

// The text the error box shows: a full stop appended when there is none.
QString ErrorBoxText(const QString& text);

// A box whose text is shown as plain text: box texts carry folder and file
// names from the store, whose markup must stay visible as written.
std::unique_ptr<QMessageBox> MakePlainBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption,
                                          const QString& text);

}  // namespace vellumine

namespace vellumine {
// Makes the icons and pictures of the resource file available; call once
// after the application object exists.
void InitUiResources();

// Qt's own dialogs and buttons (page set-up, folder picker, "Abbrechen") in
// German, from the translations installed with Qt; false when none are found.
bool InstallGermanQtTranslations();
}  // namespace vellumine
