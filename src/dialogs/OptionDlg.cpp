#include "OptionDlg.h"

#include "DialogUtil.h"

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
    : QDialog(parent), skin(skinName), updateFrequency(frequency) {
    setWindowTitle(QStringLiteral("设置"));
    auto* skins = Tag(new QComboBox(this), IDC_SKIN);
    auto* updates = Tag(new QComboBox(this), IDC_UPDATE);
    skins->setMinimumWidth(160);

    auto* skinGroup = new QGroupBox(QStringLiteral("皮肤设置"), this);
    (new QFormLayout(skinGroup))->addRow(QStringLiteral("选择皮肤:"), skins);
    auto* updateGroup = new QGroupBox(QStringLiteral("自动更新"), this);
    (new QFormLayout(updateGroup))->addRow(QStringLiteral("检查更新:"), updates);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(skinGroup);
    layout->addWidget(updateGroup);
    layout->addWidget(buttons);

    for (const std::string& name : ListSkins(skinsFolder))
        skins->addItem(Q(name));
    SelectByPrefix(skins, Q(skinName));
    for (const char* item : {"每天", "每周", "每月", "从不"})
        updates->addItem(QString::fromUtf8(item));
    updates->setCurrentIndex(frequency >= 0 && frequency <= 3 ? frequency : -1);
}

QComboBox* COptionDlg::Box(int id) const {
    return qobject_cast<QComboBox*>(FindControl(this, id));
}

void COptionDlg::accept() {
    updateFrequency = Box(IDC_UPDATE)->currentIndex();
    QComboBox* skins = Box(IDC_SKIN);
    skin = skins->currentIndex() >= 0 ? skins->currentText().toStdString() : std::string();
    QDialog::accept();
}

} // namespace qv
