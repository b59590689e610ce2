#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

namespace qv {

class CMediaRecord;

// Whether a time text has the form hh:mm:ss with minutes and seconds at most 60.
bool IsValidTimeText(const std::string& text);

// Start and end of the part of a source to convert.
class CTrimSettingDlg : public QDialog {
    Q_OBJECT
public:
    enum : int {
        IDC_FILE = 1027,
        IDC_TOTAL_LABEL = 1028,
        IDC_START = 1011,
        IDC_END = 1012,
        IDC_TOTAL = 1013
    };
    explicit CTrimSettingDlg(CMediaRecord& record, QWidget* parent = nullptr);
    QLineEdit* Edit(int id) const;
    void accept() override;

private:
    CMediaRecord& record_;
};

} // namespace qv
