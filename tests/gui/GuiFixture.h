#pragma once
// What the window tests share: a store written by the store writer, a
// program folder with the design templates, and dialogs that answer
// without blocking.

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "app/qt/MainForm.h"
#include "ui/Dialogs.h"

namespace vellumine::testing {

class RecordingDialogs : public DialogService {
public:
    void ShowError(QWidget*, const QString& text) override { errors << ErrorBoxText(text); }
    void ShowInformation(QWidget*, const QString& caption, const QString& text) override
    {
        information << caption + "|" + text;
    }
    void ShowFileError(QWidget*, const QString& text) override { fileErrors << text; }
    FailureChoice AskAfterFailure(QWidget*, const QString& caption, const QString& text) override
    {
        questions << caption + "|" + text;
        return failureAnswer;
    }
    void ShowSummary(QWidget*, const QString& caption, const QString& text, const QString& details) override
    {
        information << caption + "|" + text;
        summaryDetails << details;
    }
    int ExecModal(QDialog& dialog) override
    {
        modalTitles << dialog.windowTitle();
        return onModal ? onModal(dialog) : QDialog::Rejected;
    }

    QString ChooseFolder(QWidget*, const QString& title, const QString&) override
    {
        modalTitles << title;
        return chosenFolder;
    }

    QString ChooseSaveFile(QWidget*, const QString& title, const QString& proposed) override
    {
        modalTitles << title;
        proposedFiles << proposed;
        return chosenFile;
    }

    QStringList errors, information, fileErrors, modalTitles, questions, summaryDetails, proposedFiles;
    FailureChoice failureAnswer = FailureChoice::Continue;
    std::function<int(QDialog&)> onModal;
    QString chosenFolder;  // the folder picker's answer
    QString chosenFile;    // the save dialog's answer
};

// A program folder and a store folder for one test.
class GuiWorld {
public:
    GuiWorld();
    std::string AppDir() const { return FApp.Path() + "/"; }
    std::string StoreDir() const { return FStore.Path(); }
    static std::string TempPage(const TMainForm& form) { return form.TempFolder() + "mail.htm"; }
    std::string TempRoot() const { return FApp.File("laufzeit"); }
    std::unique_ptr<TMainForm> OpenWindow(const std::string& storeDir = "");
    RecordingDialogs dialogs;

private:
    TempFolder FApp;
    TempFolder FStore;
};

std::string PageText(const std::string& path);
// Waits until the selected message's page is composed and loaded.
bool WaitForPage(TMainForm& form);
// Selects one row of the message list, as a click does.
void SelectRow(TMainForm& form, int row);
// The preview's page once it is composed.
std::string ShownPage(TMainForm& form, const GuiWorld& world);

// A message from Anna to Bernd of the given day of January 2004: its source
// is the subject's header line followed by `headerAndBody`.
storewriter::StoreRecordDescription JanuaryMail(const std::string& subject, int day, const std::string& headerAndBody);
// A store of two folders: "Post" holding the messages, and "Leer".
void WritePostStore(const std::string& folder, const std::vector<storewriter::StoreRecordDescription>& messages);
// Selects the tree's folder of that name and shows it, as a click does;
// nothing when the tree has no such folder.
void ShowFolder(TMainForm& form, const QString& name);

}  // namespace vellumine::testing
