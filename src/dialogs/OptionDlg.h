#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;

namespace qv {

// What the skin and update dialog edits.
struct OptionChoices {
    std::string skin;
    int updateFrequency = 1; // 0 daily, 1 weekly, 2 monthly, 3 never; -1 none chosen
    std::string language;    // a language file's locale (System/Language); empty: the desktop's
};

// The skin and update dialog.
class COptionDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_SKIN = 1044, IDC_UPDATE = 1068, IDC_LANGUAGE = 1069 };

    // skinsFolder: the program folder's "Skins/". The languages offered are
    // those the language service found.
    COptionDlg(const std::string& skinsFolder, const OptionChoices& current,
               QWidget* parent = nullptr);
    COptionDlg(const std::string& skinsFolder, const std::string& skin, int updateFrequency,
               QWidget* parent = nullptr);

    std::string skin;
    int updateFrequency; // 0 daily, 1 weekly, 2 monthly, 3 never; -1 none chosen
    std::string language;

    // The choices after OK (the ones given before it).
    OptionChoices Result() const { return {skin, updateFrequency, language}; }

    void accept() override;
    QComboBox* Box(int id) const;
};

// The skin folders of a "Skins/" folder: those holding a SkinSetting.xml,
// sorted as the list sorts them (letter case ignored).
std::vector<std::string> ListSkins(const std::string& skinsFolder);

} // namespace qv
