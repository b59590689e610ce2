#include "ConverterDlg.h"

namespace qv {

CConverterDlg::CConverterDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Quorvane Pro"));
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(800, 560);
}

} // namespace qv
