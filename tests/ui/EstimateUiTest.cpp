// The size estimates in the main window's source list and the remaining time
// in the progress window.
#include "MainWindowFixture.h"

#include "engine/EncoderRun.h"
#include "platform/ControlId.h"
#include "support/Wait.h"

#include <QLabel>
#include <QTest>

#include <chrono>
#include <thread>

using namespace qvtest;

namespace {

qv::StageReport Stage(qv::Stage stage, int job, int jobs, int percent) {
    qv::StageReport r;
    r.stage = stage;
    r.job = job;
    r.jobs = jobs;
    r.percent = percent;
    r.elapsedMs = 1000;
    return r;
}

} // namespace

TEST_F(MainWindowTest, EachTickedRowShowsItsEstimatedSizeAndAnUntickedOneNone) {
    WriteIni("[System]\nDefOutput=" + home.path() + "/out/\n");
    auto dlg = Open();
    ASSERT_TRUE(dlg->AddFile(MediaDir() + "av.mp4"));
    QTreeWidget* tree = Tree(*dlg);
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* item = tree->topLevelItem(0);
    ASSERT_TRUE(Until([&] { return item->toolTip(0).startsWith("Estimated size: "); }))
        << item->toolTip(0).toStdString();
    // Every column of the row tells the same; the columns' texts stay.
    EXPECT_EQ(item->toolTip(3), item->toolTip(0));
    EXPECT_FALSE(item->text(0).contains("Estimated"));

    item->setCheckState(0, Qt::Unchecked);
    ASSERT_TRUE(Until([&] { return item->toolTip(0).isEmpty(); }));
    item->setCheckState(0, Qt::Checked);
    ASSERT_TRUE(Until([&] { return item->toolTip(0).startsWith("Estimated size: "); }));
}

TEST(ConvertingDlgRemaining, TheRemainingTimeShowsOnceTheBatchHasMadeProgress) {
    qv::CMediaRecord a, b;
    for (qv::CMediaRecord* r : {&a, &b}) {
        r->sourcePath = "/media/x.mp4";
        r->baseName = "x";
        r->fullLength = r->trimEnd = "00:01:40";
        r->trimStart = "00:00:00";
    }
    qv::CConvertingDlg dlg;
    dlg.SetBatch({&a, &b}, "/tmp", qv::ProfileRecord{}, qv::SettingsRecord{});
    auto* elapsed = static_cast<QLabel*>(qv::FindControl(&dlg, qv::CConvertingDlg::IDC_ELAPSED));
    dlg.Present(Stage(qv::Stage::Preparing, 1, 2, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Nothing done yet: no guess.
    dlg.Present(Stage(qv::Stage::Progress, 1, 2, 0));
    EXPECT_FALSE(elapsed->text().contains("剩余时间")) << elapsed->text().toStdString();
    // A quarter of the batch done: the rest is about three times the time so far.
    dlg.Present(Stage(qv::Stage::Progress, 1, 2, 50));
    EXPECT_TRUE(elapsed->text().contains("耗时: 00:00:01 / 剩余时间: "))
        << elapsed->text().toStdString();
    const qv::StageReport half = Stage(qv::Stage::Progress, 1, 2, 50);
    const double guess = dlg.RemainingBatchSeconds(half);
    EXPECT_GT(guess, 0);
    // Estimated times weigh the jobs once all are known: the second job,
    // three times the first, leaves seven times the time so far after half
    // of the first, where equal spans leave three.
    dlg.SetJobEstimates({10, 30});
    EXPECT_GT(dlg.RemainingBatchSeconds(half), 2 * guess);
    dlg.SetJobEstimates({10, -1});
    EXPECT_LT(dlg.RemainingBatchSeconds(half), 2 * guess);
}
