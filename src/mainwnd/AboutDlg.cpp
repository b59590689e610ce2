#include "AboutDlg.h"

#include "WindowCommands.h"
#include "WindowText.h"
#include "base/ProgramFolder.h"
#include "dialogs/DialogUtil.h"
#include "platform/ControlId.h"
#include "platform/UserServices.h"
#include "services/Services.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

CAboutDlg::CAboutDlg(const std::string& link, QWidget* parent) : QDialog(parent) {
    setWindowTitle(Q(TextOr("About", "Title", "关于 Quorvane Pro")));
    auto* product = Tag(new QLabel(QStringLiteral("Quorvane Pro"), this), IDC_PRODUCT);
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    product->setFont(big);
    auto* version = Tag(
        new QLabel(Q(TextOr("About", "Version", "版本: ") + FileVersionText()), this), IDC_VERSION);
    auto* linkLabel = Tag(new QLabel(this), IDC_LINK);
    linkLabel->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                           .arg(Q(link).toHtmlEscaped(),
                                Q(TextOr("About", "Link", "帮助和支持")).toHtmlEscaped()));
    linkLabel->setToolTip(Q(TextOr("About", "LinkTip", "访问 Quorvane 网站!")));
    linkLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    linkLabel->setOpenExternalLinks(false);
    linkLabel->adjustSize(); // sized to its text
    connect(linkLabel, &QLabel::linkActivated, this,
            [](const QString& address) { ShowDocument(address.toStdString()); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Q(TextOr("Dialog", "OK", "确定")));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(product);
    layout->addWidget(version);
    layout->addWidget(linkLabel);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace qv
