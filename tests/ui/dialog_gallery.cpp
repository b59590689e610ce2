// Shows one dialog with realistic contents, for looking at it under Xvfb.
//   qv_dialog_gallery profile|options|skin|trim
#include "base/ProgramFolder.h"
#include "dialogs/ConvOptionsDlg.h"
#include "dialogs/OptionDlg.h"
#include "dialogs/ProfileSettingDlg.h"
#include "dialogs/TrimSettingDlg.h"
#include "dvd/DvdScan.h"
#include "dvd/SelectDVDDlg.h"
#include "engine/JobModel.h"
#include "platform/QtUserServices.h"
#include "services/Services.h"
#include "tessarn/Tessarn.h"

#include <QApplication>
#include <QTabWidget>

#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    qv::QtUserServices services;
    qv::SetServices(&services);
    qv::LangOpenDefault();
    const std::string which = argc > 1 ? argv[1] : "profile";
    const std::string folder = qv::ProgramFolder() + "../";
    if (which == "profile") {
        auto table = std::make_unique<qv::ProfileTable>();
        std::string profiles = folder + "Profiles/";
        LoadProfiles(profiles.data(), table.get(), "1");
        qv::CProfileSettingDlg dlg(table->records[0]);
        dlg.exec();
    } else if (which == "options") {
        qv::CConvOptionsDlg dlg(
            new qv::COptionsPgGeneral(true, "标准", "/home/user/Documents/Quorvane/Snapshot/"),
            new qv::COptionsPgVideo(4, true, false, true, false));
        dlg.exec();
    } else if (which == "video") {
        qv::CConvOptionsDlg dlg(new qv::COptionsPgGeneral(true, "标准", "/tmp/"),
                                new qv::COptionsPgVideo(4, true, false, true, false));
        dlg.findChild<QTabWidget*>()->setCurrentIndex(1);
        dlg.exec();
    } else if (which == "skin") {
        qv::COptionDlg dlg(folder + "Skins/", "Default", 1);
        dlg.exec();
    } else if (which == "dvd") {
        qv::CSelectDVDDlg dlg(true, true, nullptr, [] {
            return std::vector<qv::OpticalDrive>{{"/dev/sr0", "HOLIDAY_2026"}, {"/dev/sr1", ""}};
        });
        dlg.exec();
    } else if (which == "scan") {
        // The scan as it looks mid-way (the worker is not started here).
        struct Still : qv::CParseDVDDlg {
            using CParseDVDDlg::CParseDVDDlg;
            void timerEvent(QTimerEvent*) override {}
        };
        auto block = std::make_shared<qv::DvdInfoBlock>();
        Still dlg(block, qv::PrepareScan({false, "/media/HOLIDAY", ""}), true, false);
        dlg.Report(1, 1);
        dlg.Report(1, 4);
        dlg.Report(2, 45);
        dlg.exec();
    } else {
        qv::CMediaRecord r;
        r.sourcePath = "/home/user/Videos/假期 2026 - Holiday at the sea.mp4";
        r.fullLength = r.trimEnd = "01:32:10";
        r.trimStart = "00:00:00";
        qv::CTrimSettingDlg dlg(r);
        dlg.exec();
    }
    qv::SetServices(nullptr);
    return 0;
}
