#include "queue/ConvertingDlg.h"

#include "MainWindowFixture.h"
#include "services/Services.h"

#include "support/FakeTool.h"
#include "support/Paths.h"
#include "support/QuietBatch.h"
#include "support/RecordingServices.h"
#include "support/TempDir.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace qv;

namespace {

std::unique_ptr<CMediaRecord> Clip(const std::string& path, const std::string& base,
                                   const std::string& length = "00:00:05") {
    auto r = std::make_unique<CMediaRecord>();
    r->kind = KindFile;
    r->sourcePath = path;
    r->baseName = base;
    r->fullLength = r->trimEnd = length;
    r->trimStart = "00:00:00";
    r->width = 320;
    r->height = 240;
    r->frameRate = "25";
    return r;
}

ProfileRecord XvidProfile() {
    return qvtest::XvidAviProfile(320, 240, 600, 96);
}

template <typename W> W* Control(CConvertingDlg& dlg, int id) {
    return qobject_cast<W*>(dlg.Control(id));
}

// Spins the event loop until the condition holds (a minute at most).
template <typename F> bool SpinUntil(F condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 60000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Shows the window and spins the event loop until its batch has ended.
void RunToEnd(CConvertingDlg& dlg) {
    dlg.show();
    ASSERT_TRUE(SpinUntil([&] { return dlg.BatchOver(); }));
}

// The Start command's sequence, waited for until its window has gone;
// whether a batch ran.
bool RunBatch(const std::vector<SourceItem>& sources, const std::string& folder,
              const ProfileRecord& profile, const std::string& tools = "") {
    QPointer<CConvertingDlg> dlg =
        StartConversionBatch(nullptr, sources, folder, profile, SettingsRecord{}, nullptr, tools);
    if (!dlg)
        return false;
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->isModal());
    EXPECT_TRUE(SpinUntil([&] { return dlg.isNull(); })) << "the window goes with its batch";
    return true;
}

StageReport Progress(int job, int jobs, float seconds, int percent, uint32_t elapsedMs) {
    StageReport r;
    r.stage = Stage::Progress;
    r.job = job;
    r.jobs = jobs;
    r.seconds = seconds;
    r.percent = percent;
    r.elapsedMs = elapsedMs;
    return r;
}

struct Batch {
    std::vector<std::unique_ptr<CMediaRecord>> records;
    std::vector<SourceItem> Items() {
        std::vector<SourceItem> items;
        for (auto& r : records)
            items.push_back({r.get(), true, {}});
        return items;
    }
    std::vector<CMediaRecord*> Jobs() {
        std::vector<CMediaRecord*> jobs;
        for (auto& r : records)
            jobs.push_back(r.get());
        return jobs;
    }
};

} // namespace

TEST(ConvertingDlg, ARealBatchOfThreeClipsEndsWithTheMessageThenOpensTheFolder) {
    qvtest::RecordingServices user;
    qvtest::TempDir out;
    Batch b;
    for (const char* name : {"one", "two", "three"})
        b.records.push_back(Clip(qvtest::MediaDir() + "small.mp4", name));
    CConvertingDlg dlg;
    dlg.SetBatch(b.Jobs(), out.path(), XvidProfile(), SettingsRecord{});
    dlg.SetToolFolder(qvtest::ProgramDir());
    Control<QCheckBox>(dlg, CConvertingDlg::IDC_OPEN_FOLDER)->setChecked(true);
    Control<QCheckBox>(dlg, CConvertingDlg::IDC_SHUTDOWN)->setChecked(true);
    EXPECT_TRUE(Control<QLabel>(dlg, CConvertingDlg::IDC_STATUS)->text().isEmpty());
    // Before the first report the counter is in the language's words, never
    // the template's.
    EXPECT_EQ(Control<QLabel>(dlg, CConvertingDlg::IDC_COUNTER)->text().toStdString(),
              Text("DlgConverting", "File") + " [1/3]");
    RunToEnd(dlg);

    for (const char* name : {"one", "two", "three"})
        EXPECT_TRUE(qvtest::FileExists(out / (std::string(name) + ".avi"))) << name;
    EXPECT_EQ(Control<QProgressBar>(dlg, CConvertingDlg::IDC_TOTAL_BAR)->value(), 100);
    EXPECT_EQ(Control<QProgressBar>(dlg, CConvertingDlg::IDC_FILE_BAR)->value(), 99);
    EXPECT_EQ(Control<QLabel>(dlg, CConvertingDlg::IDC_COUNTER)->text().toStdString(),
              Text("DlgConverting", "File") + " [3/3]");
    // Power-off first, then the finished message, then the folder; the sleep
    // lock is held from the start and let go at the end.
    std::vector<std::string> expected = {"inhibit", "poweroff",
                                         "box:" + Text("MsgBox", "ConvertFinished"),
                                         "open:" + out.path(), "release"};
    EXPECT_EQ(user.events, expected);
    EXPECT_EQ(user.boxes.at(0).caption, "");
}

TEST(ConvertingDlg, AFailedSecondJobEndsTheBatchAndKeepsTheFirstOutput) {
    qvtest::RecordingServices user;
    // The failing job leaves a partial file before it gives up.
    qvtest::FakeProgramFolder tools(
        "case \"$out\" in *two*) echo part > \"$out\"; printf 'Pos: 1.0s\\r退出.. broken\\n'; "
        "exit 1;; esac\nprintf 'Pos: 1.0s\\r'; cp '" +
        qvtest::MediaDir() + "small.mp4' \"$out\"");
    qvtest::TempDir out;
    Batch b;
    for (const char* name : {"one", "two", "three"})
        b.records.push_back(Clip("/media/" + std::string(name) + ".mp4", name));
    ASSERT_TRUE(RunBatch(b.Items(), out.path(), XvidProfile(), tools.Folder()));
    EXPECT_TRUE(qvtest::FileExists(out / "one.avi"));
    // A failed job's half-written output goes with it.
    EXPECT_FALSE(qvtest::FileExists(out / "two.avi"));
    EXPECT_FALSE(qvtest::FileExists(out / "two.avi.partial"));
    EXPECT_FALSE(qvtest::FileExists(out / "three.avi"));
    ASSERT_EQ(user.boxes.size(), 1u);
    // The failure message says why in one line.
    EXPECT_EQ(user.boxes[0].text,
              Text("MsgBox", "ConvertFailed") + "\n\ntwo.mp4: the encoder gave up: broken");
    EXPECT_EQ(user.boxes[0].icon, MsgIcon::Exclamation);
}

TEST(ConvertingDlg, AResultThatFailsItsCheckEndsTheBatchWithTheReason) {
    qvtest::RecordingServices user;
    // The encoder claims success for a picture without its sound.
    qvtest::FakeProgramFolder tools("printf 'Pos: 1.0s\\r'; cp '" + qvtest::MediaDir() +
                                    "silent.mp4' \"$out\"");
    qvtest::TempDir out;
    Batch b;
    b.records.push_back(Clip(qvtest::MediaDir() + "small.mp4", "a"));
    ASSERT_TRUE(RunBatch(b.Items(), out.path(), XvidProfile(), tools.Folder()));
    EXPECT_FALSE(qvtest::FileExists(out / "a.avi"));
    EXPECT_FALSE(qvtest::FileExists(out / "a.avi.partial"));
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text,
              Text("MsgBox", "ConvertFailed") + "\n\nsmall.mp4: the result has no audio stream");
}

TEST(ConvertingDlg, AWindowTornDownWhileTheWorkerReportsDoesNotHang) {
    qvtest::RecordingServices user;
    qvtest::TempDir out;
    // Reports without end once the encoder runs.
    qvtest::FakeProgramFolder tools("echo x > \"$out\"; touch \"$out.started\"; "
                                    "while :; do printf 'Pos: 1.0s\\r'; sleep 0.01; done");
    Batch b;
    b.records.push_back(Clip("/media/a.mp4", "a"));
    auto dlg = std::make_unique<CConvertingDlg>();
    dlg->SetBatch(b.Jobs(), out.path(), XvidProfile(), SettingsRecord{});
    dlg->SetToolFolder(tools.Folder());
    while (!qvtest::FileExists(out / "a.avi.partial.started"))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // The interface thread is busy for a while: the worker's reports pile up.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    dlg.reset();
    EXPECT_FALSE(qvtest::FileExists(out / "a.avi.partial"));
    EXPECT_FALSE(qvtest::FileExists(out / "a.avi"));
}

TEST(ConvertingDlg, StopAnsweredNoChangesNothingAndYesEndsTheBatch) {
    qvtest::FakeProgramFolder tools(
        "echo partial > \"$out\"; sleep 1; printf 'Pos: 1.0s\\r'; sleep 1; printf 'Pos: 2.0s\\r'; "
        "cp '" +
        qvtest::MediaDir() + "small.mp4' \"$out\"");
    for (int answer : {MsgNo, MsgYes}) {
        qvtest::RecordingServices user;
        user.answer = answer;
        qvtest::TempDir out;
        Batch b;
        b.records.push_back(Clip("/media/a.mp4", "a"));
        CConvertingDlg dlg;
        dlg.SetBatch(b.Jobs(), out.path(), XvidProfile(), SettingsRecord{});
        dlg.SetToolFolder(tools.Folder());
        QTimer::singleShot(700, &dlg, [&] {
            dlg.close(); // the close box asks the same question as Stop
            // Escape and Enter close nothing either.
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&dlg, &esc);
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(&dlg, &enter);
        });
        RunToEnd(dlg);
        ASSERT_GE(user.boxes.size(), 1u);
        EXPECT_EQ(user.boxes[0].text, Text("MsgBox", "StopConvert"));
        EXPECT_EQ(user.boxes[0].buttons, MsgButtons::YesNo);
        if (answer == MsgNo) {
            EXPECT_TRUE(qvtest::FileExists(out / "a.avi"));
            EXPECT_EQ(user.boxes.back().text, Text("MsgBox", "ConvertFinished"));
        } else {
            EXPECT_FALSE(qvtest::FileExists(out / "a.avi"));
            EXPECT_FALSE(qvtest::FileExists(out / "a.avi.partial"))
                << "a cancelled job's output goes";
            EXPECT_EQ(user.boxes.size(), 1u);
        }
    }
}

namespace {

// Answers the stop question only once the batch has ended meanwhile, as a
// user who reads it slowly: the box's own event loop runs the while.
class SlowAnswer : public qvtest::RecordingServices {
public:
    int MessageBox(const std::string& text, const std::string& caption, MsgIcon icon,
                   MsgButtons buttons) override {
        const int a = RecordingServices::MessageBox(text, caption, icon, buttons);
        if (buttons == MsgButtons::YesNo && dlg) {
            EXPECT_TRUE(SpinUntil([this] { return dlg->BatchOver(); }));
            // Whatever else the batch's end does waits for the answer.
            QApplication::processEvents(QEventLoop::AllEvents, 200);
            std::lock_guard lock(mutex);
            events.push_back("answered");
        }
        return a;
    }
    CConvertingDlg* dlg = nullptr;
};

} // namespace

TEST(ConvertingDlg, TheBatchEndingWhileStopIsAskedWaitsForTheAnswer) {
    qvtest::FakeProgramFolder tools("printf 'Pos: 1.0s\\r'; sleep 1; cp '" + qvtest::MediaDir() +
                                    "small.mp4' \"$out\"");
    for (int answer : {MsgNo, MsgYes}) {
        SlowAnswer user;
        user.answer = answer;
        qvtest::TempDir out;
        Batch b;
        b.records.push_back(Clip(qvtest::MediaDir() + "small.mp4", "a"));
        CConvertingDlg dlg;
        user.dlg = &dlg;
        dlg.SetBatch(b.Jobs(), out.path(), XvidProfile(), SettingsRecord{});
        dlg.SetToolFolder(tools.Folder());
        Control<QCheckBox>(dlg, CConvertingDlg::IDC_SHUTDOWN)->setChecked(true);
        dlg.show();
        ASSERT_TRUE(SpinUntil([&] { return dlg.BatchRunning(); }));
        Control<QPushButton>(dlg, CConvertingDlg::IDC_STOP)->click();
        ASSERT_TRUE(SpinUntil([&] { return dlg.isHidden(); }));
        EXPECT_TRUE(qvtest::FileExists(out / "a.avi"));
        // One question, then the end once: a Yes only keeps the machine on.
        // (The sleep lock goes with the batch; the question needs none.)
        std::vector<std::string> expected = {"inhibit", "box:" + Text("MsgBox", "StopConvert"),
                                             "release", "answered"};
        if (answer == MsgNo)
            expected.push_back("poweroff");
        expected.push_back("box:" + Text("MsgBox", "ConvertFinished"));
        EXPECT_EQ(user.events, expected) << answer;
    }
}

TEST(ConvertingDlg, BarsFollowTheWholeBatchArithmeticAndNeverGoBackWithinAJob) {
    qvtest::RecordingServices user;
    Batch b;
    for (const char* name : {"1", "2", "3", "4"})
        b.records.push_back(Clip("/media/x.mp4", name, "00:01:40"));
    CConvertingDlg dlg;
    dlg.SetBatch(b.Jobs(), "/tmp", XvidProfile(), SettingsRecord{});
    // Job 2 of 4, as the runner would report it (no batch runs: no event
    // loop turns, so the window's start timer never fires).
    auto* fileBar = Control<QProgressBar>(dlg, CConvertingDlg::IDC_FILE_BAR);
    auto* totalBar = Control<QProgressBar>(dlg, CConvertingDlg::IDC_TOTAL_BAR);
    dlg.Present(Progress(2, 4, 50.0f, 50, 61000));
    EXPECT_EQ(fileBar->value(), 50);
    EXPECT_EQ(totalBar->value(), 37);
    EXPECT_EQ(Control<QLabel>(dlg, CConvertingDlg::IDC_ELAPSED)->text(),
              QStringLiteral("耗时: 00:01:01"));
    for (QProgressBar* bar : {fileBar, totalBar}) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(bar);
        ASSERT_TRUE(a && a->valueInterface());
        EXPECT_FALSE(a->text(QAccessible::Name).isEmpty());
        EXPECT_EQ(a->valueInterface()->currentValue().toInt(), bar->value());
    }
    dlg.Present(Progress(2, 4, 40.0f, 40, 62000));
    EXPECT_EQ(fileBar->value(), 50);
    EXPECT_EQ(totalBar->value(), 37);
    dlg.Present(Progress(2, 4, 100.0f, 100, 62500));
    dlg.Present(Progress(2, 4, 10.0f, 10, 63000));
    EXPECT_EQ(fileBar->value(), 10); // only from 100 may it go back
    // A span of unknown length moves no bar.
    dlg.Present(Progress(2, 4, 90.0f, -1, 64000));
    EXPECT_EQ(fileBar->value(), 10);
}

TEST(ConvertingDlg, TheTaskbarFollowsTheBatchAndAnEndInTheBackgroundIsNotified) {
    qvtest::RecordingServices user;
    Batch b;
    for (const char* name : {"1", "2", "3"})
        b.records.push_back(Clip("/media/x.mp4", name, "00:01:40"));
    auto end = [](JobOutcome outcome) {
        StageReport r;
        r.stage = Stage::BatchEnded;
        r.job = r.jobs = 3;
        r.outcome = outcome;
        return r;
    };
    auto done = [](int job, JobOutcome outcome) {
        StageReport r;
        r.stage = Stage::JobDone;
        r.job = job;
        r.jobs = 3;
        r.percent = 99;
        r.outcome = outcome;
        return r;
    };
    {
        CConvertingDlg dlg;
        dlg.SetBatch(b.Jobs(), "/tmp", XvidProfile(), SettingsRecord{});
        dlg.Present(Progress(1, 3, 50.0f, 50, 1000));
        dlg.Present(Progress(1, 3, 50.0f, 50, 2000)); // no change, nothing sent
        dlg.Present(done(1, OutcomeSucceeded));
        dlg.Present(Progress(2, 3, 30.0f, 30, 1000));
        dlg.Present(done(2, OutcomeSucceeded));
        dlg.Present(done(3, OutcomeFailed));
        // Another program is the active one.
        ASSERT_EQ(QApplication::activeWindow(), nullptr);
        dlg.Present(end(OutcomeFailed));
        EXPECT_EQ(user.taskbar, (std::vector<double>{0.16, 0.43, -1}));
        ASSERT_FALSE(user.events.empty());
        // Told before the window's own box, which waits for the user: two
        // converted, one failed.
        const std::string& notice = user.events.front();
        EXPECT_EQ(notice.rfind("notify:", 0), 0u) << notice;
        EXPECT_NE(notice.find("2"), std::string::npos) << notice;
        EXPECT_NE(notice.find("1"), std::string::npos) << notice;
    }
    {
        user.events.clear();
        CConvertingDlg dlg;
        dlg.SetBatch(b.Jobs(), "/tmp", XvidProfile(), SettingsRecord{});
        dlg.show();
        dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
        dlg.Present(done(1, OutcomeSucceeded));
        dlg.Present(end(OutcomeCancelled));
        for (const std::string& e : user.events)
            EXPECT_NE(e.rfind("notify:", 0), 0u) << e;
    }
}

TEST(ConvertingDlg, CollectingJobsSkipsDiscNodesAndUntickedEntries) {
    qvtest::RecordingServices user;
    CMediaRecord file, disc, t1, t2, t3;
    disc.kind = KindDvdDisc;
    t1.kind = t2.kind = t3.kind = KindDvdTitle;
    std::vector<SourceItem> sources = {
        {&file, false, {}},
        {&disc, true, {{&t1, true, {}}, {&t2, false, {}}, {&t3, true, {}}}},
        {nullptr, true, {}},
    };
    EXPECT_EQ(CollectJobs(sources), (std::vector<CMediaRecord*>{&t1, &t3}));
    sources[1].checked = false; // an unticked disc converts none of its titles
    EXPECT_TRUE(CollectJobs(sources).empty());
    sources[1].checked = true;

    // Nothing ticked: nothing happens, not even for a missing folder.
    std::vector<SourceItem> none = {{&file, false, {}}};
    EXPECT_FALSE(RunBatch(none, "/no/such/folder", XvidProfile()));
    EXPECT_TRUE(user.boxes.empty());
    EXPECT_FALSE(RunBatch(sources, "/no/such/folder", XvidProfile()));
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text, Text("MsgBox", "DirNotExist"));
}

namespace {

// An encoder that shows a position every tenth of a second until the test
// says go (the file "<output>.go"), then does the job's work.
std::string PacedEncoder(const std::string& work) {
    return "touch \"$out.started\"\nwhile [ ! -e \"$out.go\" ]; do printf 'Pos: 1.0s\\r'; sleep "
           "0.1; done\n" +
           work;
}

} // namespace

TEST(ConvertingDlg, MinimisingHidingAndRestoringTheWindowMidBatchStopsNoJob) {
    qvtest::RecordingServices user;
    qvtest::FakeProgramFolder tools(
        PacedEncoder("cp '" + qvtest::MediaDir() + "small.mp4' \"$out\""));
    qvtest::TempDir out;
    Batch b;
    for (const char* name : {"one", "two"})
        b.records.push_back(Clip("/media/" + std::string(name) + ".mp4", name));
    CConvertingDlg dlg;
    dlg.SetBatch(b.Jobs(), out.path(), XvidProfile(), SettingsRecord{});
    dlg.SetToolFolder(tools.Folder());
    dlg.show();
    ASSERT_TRUE(SpinUntil([&] { return qvtest::FileExists(out / "one.avi.partial.started"); }));
    dlg.showMinimized();
    QApplication::processEvents();
    dlg.hide();
    QApplication::processEvents();
    dlg.showNormal();
    EXPECT_TRUE(dlg.BatchRunning());
    qvtest::WriteFile(out / "one.avi.partial.go", "");
    ASSERT_TRUE(SpinUntil([&] { return qvtest::FileExists(out / "two.avi.partial.started"); }));
    dlg.hide();
    QApplication::processEvents();
    dlg.showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(dlg.BatchRunning());
    qvtest::WriteFile(out / "two.avi.partial.go", "");
    ASSERT_TRUE(SpinUntil([&] { return dlg.BatchOver(); }));
    EXPECT_TRUE(qvtest::FileExists(out / "one.avi"));
    EXPECT_TRUE(qvtest::FileExists(out / "two.avi"));
    ASSERT_EQ(user.boxes.size(), 1u);
    EXPECT_EQ(user.boxes[0].text, Text("MsgBox", "ConvertFinished"));
}

// The whole program: Start in the main window, then either window minimised,
// hidden and restored while the jobs run.
class BatchInTheMainWindow : public qvtest::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        // The real encoder, paced by the test.
        Run("rm '" + program / "codecs" + "' && mkdir '" + program / "codecs" + "'");
        qvtest::WriteFile(
            program / "codecs/quenzo",
            "#!/bin/sh\nout=\nprev=\nfor a; do [ \"$prev\" = -o ] && out=$a; "
            "prev=$a; done\n" +
                PacedEncoder("exec '" + qvtest::ProgramDir() + "codecs/quenzo' \"$@\"\n"));
        Run("chmod 755 '" + program / "codecs/quenzo" + "'");
        for (const char* tool : {"vistrel", "mp4creator"})
            Run("ln -s '" + qvtest::ProgramDir() + "codecs/" + tool + "' '" + program / "codecs/" +
                tool + "'");
        for (const char* name : {"one", "two"})
            Run("cp '" + qvtest::MediaDir() + "small.mp4' '" + media / name + ".mp4'");
        WriteIni("[System]\nDefOutput=" + out.path() + "/\nDefProfile=AVI - XviD Video\n");
    }
    bool Started(const std::string& name) {
        return WaitUntil([&] { return qvtest::FileExists(out / name + ".avi.partial.started"); },
                         60000);
    }
    void Go(const std::string& name) { qvtest::WriteFile(out / name + ".avi.partial.go", ""); }

    qvtest::TempDir media, out;
};

TEST_F(BatchInTheMainWindow, EitherWindowMinimisedHiddenOrRestoredMidBatchConvertsEveryJob) {
    auto dlg = Open();
    dlg->show();
    ASSERT_TRUE(dlg->AddFile(media / "one.mp4"));
    ASSERT_TRUE(dlg->AddFile(media / "two.mp4"));
    dlg->OnCommand(qv::CConverterDlg::IDC_START);
    QPointer<QWidget> batch = qvtest::RunningBatchWindow();
    ASSERT_TRUE(batch);
    EXPECT_TRUE(batch->isVisible());
    EXPECT_TRUE(batch->isModal());
    ASSERT_TRUE(Started("one"));

    // The progress window minimised: the program goes with it, out of sight.
    batch->showMinimized();
    QApplication::processEvents();
    EXPECT_TRUE(dlg->isMinimized());
    EXPECT_FALSE(batch->isVisible());
    // Start while a batch runs starts no other: it brings the running one back.
    dlg->OnCommand(qv::CConverterDlg::IDC_START);
    EXPECT_EQ(qvtest::RunningBatchWindow(), batch.data());
    EXPECT_TRUE(batch->isVisible());
    batch->hide();
    QApplication::processEvents();
    // Closing the program while its batch runs asks as Stop does; No keeps both.
    dlg->close();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(batch->isVisible());
    EXPECT_TRUE(HasEvent("box:" + qv::Text("MsgBox", "StopConvert")));
    Go("one");
    ASSERT_TRUE(Started("two"));

    // The main window minimised, hidden and restored.
    dlg->showMinimized();
    QApplication::processEvents();
    dlg->hide();
    QApplication::processEvents();
    dlg->showNormal();
    QApplication::processEvents();
    EXPECT_TRUE(batch->isVisible());
    Go("two");
    ASSERT_TRUE(WaitUntil([&] { return batch.isNull(); }, 60000))
        << "the window goes with its batch";
    EXPECT_EQ(qvtest::RunningBatchWindow(), nullptr);
    EXPECT_TRUE(qvtest::FileExists(out / "one.avi"));
    EXPECT_TRUE(qvtest::FileExists(out / "two.avi"));
    EXPECT_FALSE(qvtest::FileExists(out / "one.avi.partial"));
    EXPECT_FALSE(qvtest::FileExists(out / "two.avi.partial"));
    EXPECT_TRUE(HasEvent("box:" + qv::Text("MsgBox", "ConvertFinished")));
    EXPECT_FALSE(HasEvent("box:" + qv::Text("MsgBox", "ConvertFailed")));
}
