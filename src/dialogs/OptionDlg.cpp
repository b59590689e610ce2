#include "OptionDlg.h"

#include "DialogUtil.h"
#include "services/Services.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace qv {

std::vector<std::string> ListSkins(const std::string& skinsFolder) {
    std::vector<std::string> skins;
    std::string folder = skinsFolder;
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            struct stat st;
            if (name == "." || name == ".." || ::stat((folder + name).c_str(), &st) != 0 ||
                !S_ISDIR(st.st_mode))
                continue;
            if (::stat((folder + name + "/SkinSetting.xml").c_str(), &st) == 0)
                skins.push_back(name.substr(0, 260));
        }
        ::closedir(d);
    }
    std::sort(skins.begin(), skins.end(), [](const std::string& a, const std::string& b) {
        int c = ::strcasecmp(a.c_str(), b.c_str());
        return c != 0 ? c < 0 : a < b;
    });
    return skins;
}

COptionDlg::COptionDlg(const std::string& skinsFolder, const std::string& skinName, int frequency,
                       QWidget* parent)
    : COptionDlg(skinsFolder, OptionChoices{skinName, frequency, {}}, parent) {}

COptionDlg::COptionDlg(const std::string& skinsFolder, const OptionChoices& current,
                       QWidget* parent)
    : QDialog(parent), skin(current.skin), updateFrequency(current.updateFrequency),
      language(current.language) {
    setWindowTitle(DlgText("DlgOption", "Title", "设置"));
    auto* skins = Tag(new QComboBox(this), IDC_SKIN);
    auto* updates = Tag(new QComboBox(this), IDC_UPDATE);
    auto* languages = Tag(new QComboBox(this), IDC_LANGUAGE);
    skins->setMinimumWidth(160);

    auto* skinGroup = new QGroupBox(DlgText("DlgOption", "SkinGroup", "皮肤设置"), this);
    (new QFormLayout(skinGroup))->addRow(DlgText("DlgOption", "Skin", "选择皮肤:"), skins);
    auto* updateGroup = new QGroupBox(DlgText("DlgOption", "UpdateGroup", "自动更新"), this);
    (new QFormLayout(updateGroup))
        ->addRow(DlgText("DlgOption", "CheckUpdate", "检查更新:"), updates);
    auto* languageGroup = new QGroupBox(DlgText("DlgOption", "LanguageGroup", "语言"), this);
    (new QFormLayout(languageGroup))
        ->addRow(DlgText("DlgOption", "Language", "界面语言:"), languages);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(skinGroup);
    layout->addWidget(updateGroup);
    layout->addWidget(languageGroup);
    layout->addWidget(buttons);

    for (const std::string& name : ListSkins(skinsFolder))
        skins->addItem(Q(name));
    SelectByPrefix(skins, Q(current.skin));
    updates->addItem(DlgText("DlgOption", "Daily", "每天"));
    updates->addItem(DlgText("DlgOption", "Weekly", "每周"));
    updates->addItem(DlgText("DlgOption", "Monthly", "每月"));
    updates->addItem(DlgText("DlgOption", "Never", "从不"));
    const int frequency = current.updateFrequency;
    updates->setCurrentIndex(frequency >= 0 && frequency <= 3 ? frequency : -1);

    // The first entry follows the desktop; each item carries its setting.
    languages->addItem(DlgText("DlgOption", "FollowSystem", "跟随系统"), QString());
    for (const LanguageChoice& l : AvailableLanguages()) {
        languages->addItem(Q(l.name), Q(l.locale));
        if (!current.language.empty() &&
            Q(l.locale).compare(Q(current.language), Qt::CaseInsensitive) == 0)
            languages->setCurrentIndex(languages->count() - 1);
    }
}

QComboBox* COptionDlg::Box(int id) const {
    return qobject_cast<QComboBox*>(FindControl(this, id));
}

void COptionDlg::accept() {
    updateFrequency = Box(IDC_UPDATE)->currentIndex();
    QComboBox* skins = Box(IDC_SKIN);
    skin = skins->currentIndex() >= 0 ? skins->currentText().toStdString() : std::string();
    language = Box(IDC_LANGUAGE)->currentData().toString().toStdString();
    QDialog::accept();
}

} // namespace qv
