#pragma once
// "Postablage exportieren": the format of a whole-store migration and the
// target folder.

#include <QDialog>

#include "migrate/MigrationLayout.h"

class QPushButton;
class QRadioButton;

namespace vellumine {

class FolderEdit;

class TMigrateForm : public QDialog {
    Q_OBJECT
public:
    explicit TMigrateForm(QWidget* parent = nullptr);

    MigrationFormat Format() const;

    QRadioButton* ThunderbirdCheck;
    QRadioButton* MboxCheck;
    QRadioButton* MaildirCheck;
    QRadioButton* EmlCheck;
    FolderEdit* DirectoryEdit;
    QPushButton* OkBtn;
    QPushButton* CancelBtn;
};

}  // namespace vellumine
