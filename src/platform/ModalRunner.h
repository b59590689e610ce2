#pragma once

// Modal dialogs and popup menus of the windows run through here, so that a
// test can answer them instead of a person (no test blocks on a modal loop).

#include <QPoint>

class QDialog;
class QMenu;

namespace qv {

class ModalHook {
public:
    virtual ~ModalHook() = default;
    // Answers a dialog in place of its modal run; returns its result code.
    virtual int Dialog(QDialog& dialog) = 0;
    // Answers a popup menu; returns the command id of the chosen entry, 0 for none.
    virtual int Menu(QMenu& menu, const QPoint& at) = 0;
};

// Runs a dialog modally (or hands it to the hook); returns its result code.
int ExecDialog(QDialog& dialog);
// Opens a popup menu at a screen point and tracks it until it closes;
// returns the "commandId" property of the chosen action, 0 for none.
int ExecMenu(QMenu& menu, const QPoint& at);
// Installs a hook (not owned); null goes back to the real modal runs.
void SetModalHook(ModalHook* hook);

} // namespace qv
