// The main window's keys: the commands of the tool bar and the menu, the
// search field, reading the folder again and the preview's zoom. The list
// of them is in KeyboardShortcuts.cpp, which the information dialog shows.

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QTreeView>

#include "app/qt/MainForm.h"
#include "render/qt/BrowserView.h"

namespace vellumine {

void TMainForm::BuildShortcuts()
{
    const auto bind = [this](const QKeySequence& keys, const std::function<void()>& handler) {
        auto* action = new QAction(this);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, handler] { Guarded(handler); });
        addAction(action);
        return action;
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_P), [this] { PrintBtnClick(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveBtnClick(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_E), [this] { ExportBtnClick(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { OpenStoreClick(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_U), [this] { ShowSourceClick(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_F), [this] {
        SearchEdit->setFocus(Qt::ShortcutFocusReason);
        SearchEdit->selectAll();
    });
    // The search field and the page keep Ctrl+A for their own text.
    bind(QKeySequence(Qt::CTRL | Qt::Key_A), [this] { SelectAll(); });
    bind(QKeySequence(Qt::Key_F5), [this] { TreeView1Click(); });
    WebBrowser1->AddZoomShortcuts(this);
}

// Keys of the message list: Enter opens the message window, Ctrl+A marks all.
bool TMainForm::ListKeyPressed(const QKeyEvent& key)
{
    if (key.key() == Qt::Key_A && (key.modifiers() & Qt::ControlModifier)) {
        Guarded([this] { SelectAll(); });
        return true;
    }
    if ((key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) && key.modifiers() == Qt::NoModifier) {
        Guarded([this] { ListView1DblClick(); });
        return true;
    }
    return false;
}

}  // namespace vellumine
