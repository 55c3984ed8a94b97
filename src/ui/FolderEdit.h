#pragma once
// A folder field: the folder as text, with a browse button that opens a
// folder-selection dialog.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace vellumine {

class FolderEdit : public QWidget {
    Q_OBJECT
public:
    explicit FolderEdit(QWidget* parent = nullptr);
    QString Text() const;
    void SetText(const QString& text);
    QLineEdit* Edit() const { return FEdit; }
    QToolButton* BrowseButton() const { return FBrowse; }

signals:
    void Changed();

private:
    QLineEdit* FEdit;
    QToolButton* FBrowse;
};

}  // namespace vellumine
