#include "DialogUtil.h"

#include "services/Services.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVariant>
#include <QWidget>

namespace qv {

QString DlgText(const char* section, const char* key, const char* builtIn) {
    return Q(UiText(section, key, builtIn));
}

QString Literal(QString text) {
    return text.replace('&', QStringLiteral("&&"));
}

QDialogButtonBox* OkCancelButtons(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(DlgText("Dialog", "OK", "确定"), QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    buttons->addButton(DlgText("Dialog", "Cancel", "取消"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

int SelectByPrefix(QComboBox* box, const QString& text) {
    for (int i = 0; i < box->count(); ++i)
        if (box->itemText(i).startsWith(text, Qt::CaseInsensitive)) {
            box->setCurrentIndex(i);
            return i;
        }
    box->setCurrentIndex(-1);
    return -1;
}

std::vector<std::string> SplitChoices(const std::string& text) {
    std::vector<std::string> pieces;
    const std::string cut = text.substr(0, 255);
    size_t start = 0;
    while (start <= cut.size()) {
        size_t comma = cut.find(',', start);
        std::string piece =
            cut.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!piece.empty())
            pieces.push_back(piece);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return pieces;
}

} // namespace qv
