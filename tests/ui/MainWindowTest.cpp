#include "mainwnd/ConverterDlg.h"

#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

TEST(MainWindow, OpensWithItsTitleAndClosesFromTheEventLoop) {
    qv::CConverterDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Quorvane Pro"));
    QTimer::singleShot(0, &dlg, &QDialog::reject);
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
}
