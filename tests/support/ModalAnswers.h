#pragma once

// A modal-run double: answers dialogs and popup menus as a test says and
// records what was asked.

#include "platform/ModalRunner.h"

#include <QAction>
#include <QDialog>
#include <QMenu>

#include <functional>
#include <string>
#include <vector>

namespace qvtest {

class ModalAnswers : public qv::ModalHook {
public:
    ModalAnswers() { qv::SetModalHook(this); }
    ~ModalAnswers() override { qv::SetModalHook(nullptr); }

    int Dialog(QDialog& dialog) override {
        dialogs.push_back(dialog.metaObject()->className());
        return dialogAnswer ? dialogAnswer(dialog) : QDialog::Rejected;
    }
    int Menu(QMenu& menu, const QPoint&) override {
        std::vector<std::pair<int, std::string>> entries;
        for (QAction* a : menu.actions())
            entries.emplace_back(a->isSeparator() ? 0 : a->property("commandId").toInt(),
                                 a->text().toStdString());
        menus.push_back(entries);
        return menuAnswer;
    }

    std::function<int(QDialog&)> dialogAnswer;                   // empty: every dialog is cancelled
    int menuAnswer = 0;                                          // the command a menu returns
    std::vector<std::string> dialogs;                            // class names, in order
    std::vector<std::vector<std::pair<int, std::string>>> menus; // each menu's entries
};

} // namespace qvtest
