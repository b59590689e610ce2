#pragma once

#include <QDialog>

namespace qv {

// The main window of the program.
class CConverterDlg : public QDialog {
    Q_OBJECT
public:
    explicit CConverterDlg(QWidget* parent = nullptr);
};

} // namespace qv
