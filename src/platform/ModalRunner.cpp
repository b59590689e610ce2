#include "ModalRunner.h"

#include <QAction>
#include <QDialog>
#include <QMenu>

namespace qv {

namespace {
ModalHook* g_hook = nullptr;
}

int ExecDialog(QDialog& dialog) {
    return g_hook ? g_hook->Dialog(dialog) : dialog.exec();
}

int ExecMenu(QMenu& menu, const QPoint& at) {
    if (g_hook)
        return g_hook->Menu(menu, at);
    QAction* chosen = menu.exec(at);
    return chosen ? chosen->property("commandId").toInt() : 0;
}

void SetModalHook(ModalHook* hook) {
    g_hook = hook;
}

} // namespace qv
