#include "TrimSettingDlg.h"

#include "DialogUtil.h"
#include "engine/JobModel.h"
#include "platform/UserServices.h"
#include "services/Services.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

namespace {

int TwoDigits(const std::string& text, size_t at) {
    int v = 0;
    for (size_t i = at; i < at + 2 && text[i] >= '0' && text[i] <= '9'; ++i)
        v = v * 10 + (text[i] - '0');
    return v;
}

QLineEdit* TimeEdit(QWidget* parent, int id) {
    auto* edit = Tag(new QLineEdit(parent), id);
    // Digits at the six places, the colons fixed, "0" in an empty place.
    edit->setInputMask(QStringLiteral("99:99:99;0"));
    edit->setText(QStringLiteral("00:00:00"));
    edit->setMaximumWidth(100);
    return edit;
}

} // namespace

bool IsValidTimeText(const std::string& t) {
    return t.size() == 8 && t[2] == ':' && t[5] == ':' && TwoDigits(t, 3) <= 60 &&
           TwoDigits(t, 6) <= 60;
}

CTrimSettingDlg::CTrimSettingDlg(CMediaRecord& record, QWidget* parent)
    : QDialog(parent), record_(record) {
    setWindowTitle(DlgText("DlgTrim", "Title", "剪切设置"));
    auto* file = Tag(new QLabel(this), IDC_FILE);
    auto* totalLabel =
        Tag(new QLabel(DlgText("DlgTrim", "Total", "合计时间:"), this), IDC_TOTAL_LABEL);
    auto* total = Tag(new QLineEdit(this), IDC_TOTAL);
    total->setReadOnly(true);
    total->setMaximumWidth(100);
    QLineEdit* start = TimeEdit(this, IDC_START);
    QLineEdit* end = TimeEdit(this, IDC_END);

    auto* grid = new QGridLayout;
    grid->addWidget(totalLabel, 0, 0);
    grid->addWidget(total, 0, 1);
    grid->addWidget(new QLabel(DlgText("DlgTrim", "Start", "开始时间:"), this), 1, 0);
    grid->addWidget(start, 1, 1);
    grid->addWidget(new QLabel(DlgText("DlgTrim", "StartFormat", "格式: 00:01:00"), this), 1, 2);
    grid->addWidget(new QLabel(DlgText("DlgTrim", "End", "结束时间:"), this), 2, 0);
    grid->addWidget(end, 2, 1);
    grid->addWidget(new QLabel(DlgText("DlgTrim", "EndFormat", "格式: 00:10:00"), this), 2, 2);
    grid->setColumnStretch(2, 1);
    QDialogButtonBox* buttons = OkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    setMinimumWidth(380);

    file->setText(DlgText("DlgTrim", "File", "媒体文件:") + ' ' + Q(record_.sourcePath));
    file->setWordWrap(true);
    total->setText(Q(record_.fullLength));
    start->setText(Q(record_.trimStart));
    end->setText(Q(record_.trimEnd));
    total->setFocusPolicy(Qt::NoFocus); // the times are what is edited here
    start->setFocus();
}

QLineEdit* CTrimSettingDlg::Edit(int id) const {
    return qobject_cast<QLineEdit*>(FindControl(this, id));
}

void CTrimSettingDlg::accept() {
    // The masked edits always show eight characters with the colons in place.
    const std::string start = Edit(IDC_START)->displayText().toStdString();
    const std::string end = Edit(IDC_END)->displayText().toStdString();
    const std::string total = Edit(IDC_TOTAL)->text().toStdString();
    const char* problem = nullptr;
    if (!IsValidTimeText(start) || !IsValidTimeText(end))
        problem = "ErrTimeFormat";
    else if (TimeTextToSeconds(end) - TimeTextToSeconds(start) <= 0)
        problem = "GreaterEndTime";
    else if (TimeTextToSeconds(total) - TimeTextToSeconds(end) < 0)
        problem = "GreaterTotalTime";
    if (problem) {
        Services().MessageBox(Text("MsgBox", problem), Text("MsgBox", "Info"), MsgIcon::None,
                              MsgButtons::Ok);
        return; // the dialog stays open with the texts as they were
    }
    record_.trimStart = start;
    record_.trimEnd = end;
    QDialog::accept();
}

} // namespace qv
