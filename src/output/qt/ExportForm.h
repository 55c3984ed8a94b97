#pragma once
// The target-folder dialog of saving and exporting. One instance serves
// both and keeps what the user entered until the program ends.

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vellumine {

class FolderEdit;

class TExportForm : public QDialog {
    Q_OBJECT
public:
    explicit TExportForm(QWidget* parent = nullptr);

    QLabel* TitleLabel;
    FolderEdit* DirectoryEdit1;
    QCheckBox* datecheck;
    QRadioButton* AllHTMLCheck;
    QRadioButton* TXTCheck;
    QCheckBox* RawTextCheck;  // text files keep the message's bytes instead of UTF-8
    QRadioButton* MixedCheck;
    // Export only: each message's attachments into a folder beside its
    // file. Saving .eml keeps them inside the message, so the box is
    // disabled there (and keeps its state for the next export).
    QCheckBox* AttachmentsCheck;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;

    void DirectoryEdit1Change();

protected:
    void showEvent(QShowEvent* event) override;  // FormShow
};

}  // namespace vellumine
