// The profile chooser, the DVD title's track lists, the output folder and Start.
#include "ConverterDlg.h"
#include "SourceList.h"
#include "WindowText.h"

#include "base/XMLParse.h"
#include "controls/ColumnTreeCtrl.h"
#include "controls/TreeComboBox.h"
#include "dialogs/DialogUtil.h"
#include "dialogs/DirDialog.h"
#include "dialogs/ProfileSettingDlg.h"
#include "engine/JobModel.h"
#include "platform/ModalRunner.h"
#include "platform/UserServices.h"
#include "services/Services.h"
#include "tessarn/Tessarn.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTreeWidget>

namespace qv {

namespace {
// Beside the tree's own image role, never on it.
constexpr int kProfileIndexRole = CTreeComboBox::kImageRole + 1;
// The first subtitle entry: none.
QString NoSubtitle() {
    return QString::fromStdString(TextOr("MainUI", "subNone", "无"));
}
// A file's subtitle kept as a track rather than burnt in.
QString KeptSubtitle(const TrackEntry& track) {
    return QString::fromStdString(TextOr("MainUI", "subKeep", "%s（保留为字幕轨）"))
        .replace("%s", QString::fromStdString(track.Label()));
}
} // namespace

void CConverterDlg::LoadProfileList() {
    std::string folder = env_.programFolder + "Profiles/";
    LoadProfiles(folder.data(), profiles_.get(), "1");

    XMLParse icons;
    if (!icons.Open((env_.programFolder + "Profiles/icon/Config.xml").c_str())) {
        Services().MessageBox("初始化配置失败!", Text("MsgBox", "Info"), MsgIcon::None,
                              MsgButtons::Ok);
        return;
    }
    std::vector<std::string> names;
    XMLParse::Node list = icons.FindNode({}, "IconList");
    const int count = icons.CountNodes("Icon", list);
    for (int k = 0; k < count; ++k) {
        XMLParse::Node icon = icons.FindNode(list, "Icon", k);
        std::string name, path;
        icons.NodeText("Name", icon, name);
        icons.NodeText("Path", icon, path);
        names.push_back(name);
        profileChooser_->AddImage(env_.programFolder + path, static_cast<int>(names.size()) - 1);
    }
    auto iconOf = [&names](const std::string& name) {
        for (size_t i = 0; i < names.size(); ++i)
            if (names[i] == name)
                return static_cast<int>(i);
        return 0;
    };

    QTreeWidget* tree = profileChooser_->Tree();
    for (int k = 0; k < profiles_->count; ++k) {
        const ProfileRecord& p = profiles_->records[k];
        const QString category = QString::fromStdString(FieldText(p.category));
        QTreeWidgetItem* group = nullptr;
        for (int g = 0; g < tree->topLevelItemCount() && !group; ++g)
            if (tree->topLevelItem(g)->text(0) == category)
                group = tree->topLevelItem(g);
        if (!group)
            group = profileChooser_->AddItem(nullptr, FieldText(p.category),
                                             iconOf(FieldText(p.categoryIcon)));
        QTreeWidgetItem* item =
            profileChooser_->AddItem(group, FieldText(p.name), iconOf(FieldText(p.iconName)));
        item->setData(0, kProfileIndexRole, k);
    }
    profileChooser_->ExpandAll();
    profileChooser_->SelectByText(defaultProfile_);
    OnProfileChosen();
}

void CConverterDlg::OnProfileChosen() {
    QTreeWidgetItem* chosen = profileChooser_->Committed();
    if (!chosen || !chosen->data(0, kProfileIndexRole).isValid())
        return;
    const int k = chosen->data(0, kProfileIndexRole).toInt();
    if (k < 0 || k >= profiles_->count)
        return;
    currentProfile_ = profiles_->records[k];
    hasCurrentProfile_ = true;
    ScheduleEstimates();
}

void CConverterDlg::OnProfileSettings() {
    if (!hasCurrentProfile_)
        return;
    CProfileSettingDlg dialog(currentProfile_, this);
    if (ExecDialog(dialog) == QDialog::Accepted) {
        currentProfile_ = dialog.Profile();
        ScheduleEstimates();
    }
}

void CConverterDlg::FillTrackLists(const CMediaRecord* record) {
    if (record->kind == KindFile) {
        FillFileTrackLists(*record);
        return;
    }
    audioTracks_->clear();
    for (const TrackEntry& t : record->audioTracks)
        audioTracks_->addItem(QString::fromStdString(t.Label()));
    if (record->audioIndex >= 0 &&
        record->audioIndex < static_cast<int>(record->audioTracks.size()))
        SelectByPrefix(audioTracks_,
                       QString::fromStdString(record->audioTracks[record->audioIndex].Label()));

    subtitles_->clear();
    subtitles_->addItem(NoSubtitle());
    for (const TrackEntry& t : record->subtitleTracks)
        subtitles_->addItem(QString::fromStdString(t.Label()));
    const bool none = record->subtitleIndex < 0 ||
                      record->subtitleIndex >= static_cast<int>(record->subtitleTracks.size());
    SelectByPrefix(subtitles_, none ? NoSubtitle()
                                    : QString::fromStdString(
                                          record->subtitleTracks[record->subtitleIndex].Label()));

    const bool title = record->kind == KindDvdTitle;
    audioTracks_->setEnabled(title);
    subtitles_->setEnabled(title);
}

// A file's lists: its audio tracks, and each subtitle twice, burnt in and
// kept as a track, after "none". The lists are chosen from only for a file
// with tracks to choose.
void CConverterDlg::FillFileTrackLists(const CMediaRecord& record) {
    audioTracks_->clear();
    for (const TrackEntry& t : record.audioTracks)
        audioTracks_->addItem(QString::fromStdString(t.Label()));
    if (record.audioIndex >= 0 && record.audioIndex < audioTracks_->count())
        audioTracks_->setCurrentIndex(record.audioIndex);

    subtitles_->clear();
    subtitles_->addItem(NoSubtitle());
    for (const TrackEntry& t : record.subtitleTracks) {
        subtitles_->addItem(QString::fromStdString(t.Label()));
        subtitles_->addItem(KeptSubtitle(t));
    }
    const int chosen = record.subtitleIndex < 0
                           ? 0
                           : 1 + 2 * record.subtitleIndex + (record.keepSubtitle != 0 ? 1 : 0);
    subtitles_->setCurrentIndex(chosen < subtitles_->count() ? chosen : 0);

    const bool tracks = !record.audioTracks.empty() || !record.subtitleTracks.empty();
    audioTracks_->setEnabled(tracks);
    subtitles_->setEnabled(tracks);
}

void CConverterDlg::EmptyTrackLists() {
    audioTracks_->clear();
    subtitles_->clear();
    audioTracks_->setEnabled(false);
    subtitles_->setEnabled(false);
}

void CConverterDlg::OnAudioTrackChanged(int index) {
    sources_.ChooseAudioTrack(SelectedRecord(), index);
    ScheduleEstimates();
}

void CConverterDlg::OnSubtitleChanged(int index) {
    sources_.ChooseSubtitle(SelectedRecord(), index);
    ScheduleEstimates();
}

void CConverterDlg::OnBrowse() {
    CDirDialog picker;
    picker.windowTitle = TextOr("DlgFolder", "Title", "选择输出文件夹");
    picker.initialFolder = outputEdit_->text().toStdString();
    if (picker.Browse(this) != 1)
        return;
    outputFolder_ = picker.chosenPath;
    if (!outputFolder_.empty() && outputFolder_.back() != '/')
        outputFolder_ += '/';
    outputEdit_->setText(QString::fromStdString(outputFolder_));
}

void CConverterDlg::OnOpenOutput() {
    ShowFolder(outputEdit_->text().toStdString());
}

void CConverterDlg::OnStart() {
    if (runningBatch_) { // one batch at a time: the running one comes back instead
        RestoreMain();
        return;
    }
    if (adding_) { // starts with every source once the adding is done
        startWhenAdded_ = true;
        return;
    }
    outputFolder_ = outputEdit_->text().toStdString();
    StopPlayerIfPlaying();
    if (!hasCurrentProfile_)
        return;
    // The batch runs on after this returns; its window says when it has ended.
    // Samples still being made stop: the batch has the machine to itself.
    const std::vector<double> seconds = EstimatedJobSeconds(CollectJobs(sources_.SourceItems()));
    if (CConvertingDlg* batch =
            StartConversionBatch(this, sources_.SourceItems(), outputFolder_, currentProfile_,
                                 settings_, this, env_.programFolder))
        batch->SetJobEstimates(seconds);
}

} // namespace qv
