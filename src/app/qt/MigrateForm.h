#pragma once
// "Postablage exportieren": the format of a whole-store migration and the
// target folder.

#include <QDialog>

#include "migrate/MigrationLayout.h"

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace vellumine {

class FolderEdit;

class TMigrateForm : public QDialog {
    Q_OBJECT
public:
    explicit TMigrateForm(QWidget* parent = nullptr);

    MigrationFormat Format() const;
    // Whether the run goes on from an earlier one in the target.
    bool Resume() const;
    // Whether each folder file is scanned for messages beside its index.
    bool Salvage() const;
    // Looks at the target again (an earlier run may have filled it since).
    void RefreshTarget();

    QRadioButton* ThunderbirdCheck;
    QRadioButton* MboxCheck;
    QRadioButton* MaildirCheck;
    QRadioButton* EmlCheck;
    FolderEdit* DirectoryEdit;
    QCheckBox* ResumeCheck;  // offered when the target holds an earlier run
    QCheckBox* SalvageCheck; // also what a scan of each folder file finds
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
};

}  // namespace vellumine
