#include "WindowText.h"

#include "services/Services.h"

#include <QAction>
#include <QMenu>

namespace qv {

std::string TextOr(const char* section, const char* key, const char* builtIn) {
    return UiText(section, key, builtIn);
}

void FillMenu(QMenu& menu, std::span<const MenuEntry> entries) {
    for (const MenuEntry& e : entries) {
        if (e.id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(QString::fromStdString(TextOr("Menu", e.key, e.builtIn)));
        action->setProperty("commandId", e.id);
    }
}

} // namespace qv
