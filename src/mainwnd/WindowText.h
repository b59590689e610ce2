#pragma once

// Texts and popup menus of the main window: language-file texts with the
// program's built-in ones when the file lacks them.

#include <span>
#include <string>

class QMenu;

namespace qv {

// The language file's text of a pair, or the built-in text when the file
// does not define it.
std::string TextOr(const char* section, const char* key, const char* builtIn);

// One entry of a popup menu; id 0 is a separator.
struct MenuEntry {
    int id;
    const char* key; // in the language file's "Menu" section
    const char* builtIn;
};
// Fills a menu; each action carries its command as property "commandId".
void FillMenu(QMenu& menu, std::span<const MenuEntry> entries);

} // namespace qv
