#pragma once

#include "platform/ControlId.h"

#include <QString>

#include <string>
#include <vector>

class QComboBox;
class QDialog;
class QDialogButtonBox;
class QWidget;

namespace qv {

// Selects the first item whose text begins with the text, letters compared
// without regard to case; no item is selected when none does. Returns the
// index, -1 for none.
int SelectByPrefix(QComboBox* box, const QString& text);

// The pieces of a comma-separated choice text, empty pieces skipped; the
// text is first cut to 255 bytes, as the profile's choice buffers hold.
std::vector<std::string> SplitChoices(const std::string& text);

// The templates' "确定" (the default) and "取消" (in the user's language),
// ending the dialog with OK and Cancel.
QDialogButtonBox* OkCancelButtons(QDialog* dialog);

inline QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// A dialog's text: the language file's when it has the pair, else the
// built-in (Chinese) one.
QString DlgText(const char* section, const char* key, const char* builtIn);
// A text for a widget that reads "&" as a shortcut mark, shown as it stands.
QString Literal(QString text);

} // namespace qv
