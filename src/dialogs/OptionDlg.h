#pragma once

#include <QDialog>

#include <string>

class QComboBox;

namespace qv {

// The skin and update dialog.
class COptionDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_SKIN = 1044, IDC_UPDATE = 1068 };

    // skinsFolder: the program folder's "Skins/".
    COptionDlg(const std::string& skinsFolder, const std::string& skin, int updateFrequency,
               QWidget* parent = nullptr);

    std::string skin;
    int updateFrequency; // 0 daily, 1 weekly, 2 monthly, 3 never; -1 none chosen

    void accept() override;
    QComboBox* Box(int id) const;
};

// The skin folders of a "Skins/" folder: those holding a SkinSetting.xml,
// sorted as the list sorts them (letter case ignored).
std::vector<std::string> ListSkins(const std::string& skinsFolder);

} // namespace qv
