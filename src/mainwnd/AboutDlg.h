#pragma once

#include <QDialog>

#include <string>

namespace qv {

// The About box: the product, its version and a link to the help page's
// support section.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    enum : int { IDC_PRODUCT = 1047, IDC_VERSION = 1048, IDC_LINK = 1039 };
    // link: the address the link opens and shows.
    CAboutDlg(const std::string& link, QWidget* parent = nullptr);
};

} // namespace qv
