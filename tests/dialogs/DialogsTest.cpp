#include "dialogs/ConvOptionsDlg.h"
#include "dialogs/DirDialog.h"
#include "dialogs/OptionDlg.h"
#include "dialogs/ProfileSettingDlg.h"
#include "dialogs/TrimSettingDlg.h"

#include "engine/JobModel.h"
#include "services/Services.h"
#include "support/Paths.h"
#include "support/RecordingServices.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <sys/stat.h>

using namespace qv;

namespace {

ProfileRecord Profile() {
    ProfileRecord p{};
    SetFieldText(p.name, "Test");
    SetFieldText(p.kind, "video");
    SetFieldText(p.resolutionChoices, "Auto,320*240,640*480");
    SetFieldText(p.frameRateChoices, "a,,b,");
    SetFieldText(p.videoBitRateChoices, "128,1280,256");
    SetFieldText(p.audioBitRateChoices, "96,128");
    SetFieldText(p.sampleRateChoices, "44100,48000");
    SetFieldText(p.channelChoices, "1,2");
    SetFieldText(p.videoCodecs[0].name, "xvid");
    SetFieldText(p.videoCodecs[1].name, "x264");
    SetFieldText(p.audioCodecs[0].name, "mp3");
    p.videoCodecCount = 2;
    p.audioCodecCount = 1;
    SetFieldText(p.videoCodec, "x264");
    SetFieldText(p.audioCodec, "mp3");
    p.width = p.height = -1;
    SetFieldText(p.frameRate, "b");
    p.videoBitRate = 12;
    p.audioBitRate = 128;
    p.sampleRate = 48000;
    p.channels = 2;
    SetFieldText(p.zoomMode, "FullScreen");
    return p;
}

// OK with the frame-size box's edit text set to the text: the size taken,
// or none when the dialog refused it (and said so) and stayed open.
std::optional<std::pair<int, int>> WithSize(const char* text) {
    qvtest::RecordingServices user;
    CProfileSettingDlg dlg(Profile());
    dlg.Box(CProfileSettingDlg::IDC_RESOLUTION)->setEditText(text);
    dlg.accept();
    if (dlg.result() != QDialog::Accepted) {
        EXPECT_EQ(user.boxes.size(), 1u) << text;
        EXPECT_EQ(dlg.Profile().width, -1) << text;
        return std::nullopt;
    }
    EXPECT_TRUE(user.boxes.empty()) << text;
    return std::pair(dlg.Profile().width, dlg.Profile().height);
}

} // namespace

TEST(ProfileSettingDlg, ListsSelectionsAndWritingBack) {
    ProfileRecord original = Profile();
    CProfileSettingDlg dlg(original);
    auto items = [&](int id) {
        QStringList l;
        for (int i = 0; i < dlg.Box(id)->count(); ++i)
            l << dlg.Box(id)->itemText(i);
        return l.join('|').toStdString();
    };
    EXPECT_EQ(items(CProfileSettingDlg::IDC_FRAME_RATE), "a|b"); // empty pieces skipped
    EXPECT_EQ(items(CProfileSettingDlg::IDC_VIDEO_CODEC), "xvid|x264");
    EXPECT_EQ(dlg.Box(CProfileSettingDlg::IDC_RESOLUTION)->currentText(), "Auto");
    // 12 selects 128, the first item that begins with it.
    EXPECT_EQ(dlg.Box(CProfileSettingDlg::IDC_VIDEO_BITRATE)->currentText(), "128");
    EXPECT_EQ(dlg.Box(CProfileSettingDlg::IDC_ZOOM)->currentText(), "Full Screen");
    dlg.Box(CProfileSettingDlg::IDC_RESOLUTION)->setCurrentIndex(2);
    dlg.accept();
    const ProfileRecord& p = dlg.Profile();
    EXPECT_EQ(p.width, 640);
    EXPECT_EQ(p.height, 480);
    EXPECT_EQ(p.videoBitRate, 128);
    EXPECT_EQ(FieldText(p.videoCodec), "x264");
    EXPECT_EQ(FieldText(p.zoomMode), "fullscreen");
    const ProfileRecord fresh = Profile();
    EXPECT_EQ(std::memcmp(&original, &fresh, sizeof original), 0) << "the caller's record";
}

TEST(ProfileSettingDlg, TypedFrameSizesAreAutoOrTwoPositiveSides) {
    using Size = std::optional<std::pair<int, int>>;
    EXPECT_EQ(WithSize("720*480"), Size(std::pair(720, 480)));
    EXPECT_EQ(WithSize(" 720 * 576 "), Size(std::pair(720, 576)));
    EXPECT_EQ(WithSize("auto"), Size(std::pair(-1, -1)));
    for (const char* refused : {"720*", "*480", "0*0", "-2*-2", "720x480", "720*480*2", "7a0*480",
                                "", "99999999999*2", "16385*480"})
        EXPECT_EQ(WithSize(refused), std::nullopt) << refused;
    ProfileRecord fixed = Profile();
    fixed.width = 320;
    fixed.height = 240;
    CProfileSettingDlg dlg(fixed);
    EXPECT_EQ(dlg.Box(CProfileSettingDlg::IDC_RESOLUTION)->currentText(), "320*240");
    dlg.Box(CProfileSettingDlg::IDC_RESOLUTION)->setEditText("AUTO");
    dlg.accept();
    EXPECT_EQ(dlg.Profile().width, -1);
    EXPECT_EQ(dlg.Profile().height, -1);
}

TEST(ProfileSettingDlg, UnknownCodecAndAudioOnlyProfiles) {
    ProfileRecord p = Profile();
    SetFieldText(p.audioCodec, "aac");
    SetFieldText(p.kind, "AUDIO");
    CProfileSettingDlg dlg(p);
    EXPECT_EQ(dlg.Box(CProfileSettingDlg::IDC_AUDIO_CODEC)->currentIndex(), -1);
    for (int id : {1026, 1028, 1027, 1029, 1034})
        EXPECT_FALSE(dlg.Box(id)->isEnabled()) << id;
    EXPECT_TRUE(dlg.Box(CProfileSettingDlg::IDC_AUDIO_BITRATE)->isEnabled());
    dlg.Box(CProfileSettingDlg::IDC_VIDEO_CODEC)->setCurrentIndex(0);
    dlg.accept();
    EXPECT_EQ(FieldText(dlg.Profile().audioCodec), "aac");
    EXPECT_EQ(FieldText(dlg.Profile().videoCodec), "xvid"); // disabled, still written back
}

TEST(OptionDlg, SkinsSortedAndChosenByPrefix) {
    qvtest::TempDir skins;
    for (const char* name : {"Default", "blue-2", "Blue", "DarkBlue", "NoDescription"}) {
        ::mkdir((skins / name).c_str(), 0755);
        if (std::string(name) != "NoDescription")
            qvtest::WriteFile(skins / name + "/SkinSetting.xml", "<Skin/>");
    }
    EXPECT_EQ(ListSkins(skins.path()),
              (std::vector<std::string>{"Blue", "blue-2", "DarkBlue", "Default"}));
    COptionDlg blue(skins.path(), "BLUE", 1);
    EXPECT_EQ(blue.Box(COptionDlg::IDC_SKIN)->currentText(), "Blue");
    COptionDlg dark(skins.path(), "Dark", 7);
    dark.accept();
    EXPECT_EQ(dark.skin, "DarkBlue");
    EXPECT_EQ(dark.updateFrequency, -1);
    COptionDlg none(skins / "missing", "Default", 3);
    none.accept();
    EXPECT_EQ(none.skin, "");
    EXPECT_EQ(none.updateFrequency, 3);
}

TEST(OptionDlg, OffersTheLanguagesAndShowsItsTextsInTheChosenOne) {
    LangOpenFor("en");
    COptionDlg dlg(qvtest::ProgramDir() + "Skins/", OptionChoices{"Default", 1, "zh_cn"});
    EXPECT_EQ(dlg.windowTitle(), "Settings");
    QComboBox* languages = dlg.Box(COptionDlg::IDC_LANGUAGE);
    ASSERT_EQ(languages->count(), 3);
    EXPECT_EQ(languages->itemText(0), "Same as the system");
    EXPECT_EQ(languages->currentText(), "简体中文");
    EXPECT_EQ(dlg.Box(COptionDlg::IDC_UPDATE)->currentText(), "Every week");
    dlg.accept();
    EXPECT_EQ(dlg.Result().language, "zh_CN");
    EXPECT_EQ(dlg.Result().skin, "Default");
    languages->setCurrentIndex(0);
    dlg.accept();
    EXPECT_EQ(dlg.language, ""); // follow the desktop
    COptionDlg unknown(qvtest::ProgramDir() + "Skins/", OptionChoices{"Default", 1, "ja"});
    EXPECT_EQ(unknown.Box(COptionDlg::IDC_LANGUAGE)->currentIndex(), 0);

    // The priorities show in English; the caller still gets the names it keeps.
    COptionsPgGeneral general(false, PriorityName(16384), "/snap/");
    QComboBox* priorities = general.findChild<QComboBox*>();
    EXPECT_EQ(priorities->currentText(), "Below normal");
    priorities->setCurrentIndex(4);
    general.KillActive();
    EXPECT_EQ(general.priorityName, "高");
    LangOpenFor("zh_CN"); // the Chinese file holds the built-in texts
    EXPECT_EQ(COptionDlg(qvtest::ProgramDir() + "Skins/", "Default", 1).windowTitle(), "设置");
}

TEST(ConvOptionsDlg, PagesReadWhenLeftOrOnOkAndFittingExcludes) {
    EXPECT_EQ(PriorityName(128), "高");
    EXPECT_EQ(PriorityFromName(PriorityName(128)), 128);
    EXPECT_EQ(PriorityName(5), "");
    EXPECT_EQ(PriorityFromName(""), 32);

    auto* general = new COptionsPgGeneral(true, PriorityName(128), "/snap/");
    auto* video = new COptionsPgVideo(9, true, false, true, false);
    CConvOptionsDlg dlg(general, video);
    auto check = [video](int id) {
        for (QCheckBox* c : video->findChildren<QCheckBox*>())
            if (c->property("controlId").toInt() == id)
                return c;
        return static_cast<QCheckBox*>(nullptr);
    };
    dlg.findChild<QTabWidget*>()->setCurrentIndex(1); // leaving General reads it
    EXPECT_EQ(general->priorityName, "高");
    check(COptionsPgVideo::IDC_FIT_HEIGHT)->click();
    EXPECT_FALSE(check(COptionsPgVideo::IDC_FIT_WIDTH)->isChecked());
    check(COptionsPgVideo::IDC_FIT_HEIGHT)->click();
    EXPECT_FALSE(check(COptionsPgVideo::IDC_EXPAND)->isEnabled());
    EXPECT_FALSE(check(COptionsPgVideo::IDC_ROUND16)->isEnabled());
    dlg.accept();
    EXPECT_EQ(video->videoDriver, 9); // no radio checked: unchanged
    EXPECT_FALSE(video->fitWidth);
    EXPECT_FALSE(video->fitHeight);
    EXPECT_TRUE(video->expand);
}

TEST(DirDialog, ThePickersFieldsAndResult) {
    qvtest::RecordingServices user;
    CDirDialog picker;
    picker.initialFolder = "/home/u/Videos/  ";
    EXPECT_EQ(picker.Browse(), 0); // cancelled
    ASSERT_EQ(user.folderRequests.size(), 1u);
    EXPECT_EQ(user.folderRequests[0].prompt, "打开");
    EXPECT_EQ(user.folderRequests[0].initialFolder, "/home/u/Videos");
    user.folderAnswer = "/media/out/";
    picker.windowTitle = picker.prompt = "选择输出文件夹";
    EXPECT_EQ(picker.Browse(), 1);
    EXPECT_EQ(picker.chosenPath, "/media/out");
    user.folderAnswer = "/";
    EXPECT_EQ(picker.Browse(), 1);
    EXPECT_EQ(picker.chosenPath, "/");

    // The General page's Browse puts the choice into its box.
    auto* general = new COptionsPgGeneral(false, "标准", "/snap/");
    user.folderAnswer = "/pictures";
    for (QPushButton* b : general->findChildren<QPushButton*>())
        b->click();
    EXPECT_EQ(general->snapshotDir, "/pictures");
    EXPECT_EQ(user.folderRequests.back().windowTitle, "选择快照文件夹");
    delete general;
}

TEST(TrimSettingDlg, ChecksInOrderAndKeepsTheRecordOnFailure) {
    qvtest::RecordingServices user;
    CMediaRecord r;
    r.sourcePath = "/v/clip.avi";
    r.fullLength = "00:10:00";
    r.trimStart = "00:00:00";
    r.trimEnd = "00:10:00";
    struct Case {
        const char* start;
        const char* end;
        const char* problem; // null: accepted
    } cases[] = {
        {"00:00:10", "00:00:10", "GreaterEndTime"},
        {"00:00:00", "00:10:00", nullptr},
        {"00:00:00", "00:10:01", "GreaterTotalTime"},
        {"00:61:00", "00:01:00", "ErrTimeFormat"},
        {"00:00:00", "00:00:61", "ErrTimeFormat"},
        {"00:08:00", "00:11:00", "GreaterTotalTime"},
        {"00:12:00", "00:11:00", "GreaterEndTime"}, // both wrong: the order decides
        {"00:00:60", "00:09:60", nullptr},          // 60 counts as 60
    };
    for (const Case& k : cases) {
        user.boxes.clear();
        CMediaRecord record = r;
        CTrimSettingDlg dlg(record);
        dlg.Edit(CTrimSettingDlg::IDC_START)->setText(k.start);
        dlg.Edit(CTrimSettingDlg::IDC_END)->setText(k.end);
        dlg.accept();
        if (k.problem) {
            ASSERT_EQ(user.boxes.size(), 1u) << k.start << " " << k.end;
            EXPECT_EQ(user.boxes[0].text, Text("MsgBox", k.problem)) << k.start << " " << k.end;
            EXPECT_EQ(record.trimStart, "00:00:00");
            EXPECT_EQ(dlg.result(), 0);
        } else {
            EXPECT_TRUE(user.boxes.empty()) << k.start << " " << k.end;
            EXPECT_EQ(record.trimStart, k.start);
            EXPECT_EQ(record.trimEnd, k.end);
        }
    }
    // The mask keeps eight characters with the colons: letters never get in.
    CMediaRecord record = r;
    CTrimSettingDlg dlg(record);
    dlg.Edit(CTrimSettingDlg::IDC_START)->setText("ab:cd:ef");
    EXPECT_EQ(dlg.Edit(CTrimSettingDlg::IDC_START)->displayText().size(), 8);
    EXPECT_EQ(dlg.Edit(CTrimSettingDlg::IDC_START)->displayText().indexOf('a'), -1);
}
