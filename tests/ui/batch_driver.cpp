// Runs a batch in the real progress window: for looking at it as a user would.
//   qv_batch_driver PROFILE OUTPUT-FOLDER FILE...
#include "base/ProgramFolder.h"
#include "platform/QtUserServices.h"
#include "probe/MediaProbe.h"
#include "queue/ConvertingDlg.h"
#include "services/Services.h"
#include "tessarn/Tessarn.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane Pro"));
    if (argc < 4) {
        std::fprintf(stderr, "usage: qv_batch_driver PROFILE OUTPUT-FOLDER FILE...\n");
        return 2;
    }
    qv::QtUserServices services;
    qv::SetServices(&services);
    qv::LangOpenDefault();
    auto table = std::make_unique<qv::ProfileTable>();
    std::string folder = qv::ProgramFolder() + "../Profiles/";
    LoadProfiles(folder.data(), table.get(), "1");
    const qv::ProfileRecord* profile = nullptr;
    for (int i = 0; i < table->count; ++i)
        if (qv::FieldText(table->records[i].name) == argv[1])
            profile = &table->records[i];
    if (!profile)
        return 2;
    std::vector<std::unique_ptr<qv::CMediaRecord>> records;
    std::vector<qv::SourceItem> items;
    for (int i = 3; i < argc; ++i) {
        qv::ProbeResult probe;
        if (!qv::ProbeMediaFile(argv[i], probe))
            continue;
        records.push_back(std::make_unique<qv::CMediaRecord>());
        qv::FillFileRecord(*records.back(), argv[i], probe);
        items.push_back({records.back().get(), true, {}});
    }
    qv::CConvertingDlg* batch =
        qv::StartConversionBatch(nullptr, items, argv[2], *profile, qv::SettingsRecord{}, nullptr,
                                 qv::ProgramFolder() + "../");
    if (batch) {
        QObject::connect(batch, &qv::CConvertingDlg::batchEnded, &app, &QApplication::quit,
                         Qt::QueuedConnection);
        QApplication::exec();
    }
    qv::SetServices(nullptr);
    return 0;
}
