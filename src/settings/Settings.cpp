#include "Settings.h"

#include "Ini.h"
#include "base/PathText.h"
#include "base/ProgramFolder.h"

#include <sys/stat.h>

namespace qv {

bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0755);
    ::mkdir(path.c_str(), 0755);
    return IsFolder(path);
}

std::string DefaultOutputFolder(const std::string& documentsFolder) {
    return documentsFolder + "/Quorvane/";
}

std::string DefaultSnapshotFolder(const std::string& documentsFolder) {
    return documentsFolder + "/Quorvane/Snapshot/";
}

DefaultFolders DefaultFoldersUnder(const std::string& documentsFolder) {
    return {DefaultOutputFolder(documentsFolder), DefaultSnapshotFolder(documentsFolder)};
}

DefaultFolders UserDefaultFolders() {
    if (!UserFiles().perUser)
        return DefaultFoldersUnder(DocumentsFolder());
    return {VideosFolder() + "/", PicturesFolder() + "/"};
}

LoadedSettings LoadSettings(const CIni& ini, const std::string& documentsFolder) {
    return LoadSettings(ini, DefaultFoldersUnder(documentsFolder));
}

LoadedSettings LoadSettings(const CIni& ini, const DefaultFolders& defaults) {
    LoadedSettings s;
    SettingsRecord& r = s.record;
    r.Skin = ini.ReadText("System", "Skin", "Default");
    s.outputFolder = ini.ReadText("System", "DefOutput", "");
    s.defaultProfile = ini.ReadText("System", "DefProfile", "");
    r.VideoDriver = static_cast<int32_t>(ini.ReadUnsigned("System", "VideoDriver", 4));
    r.DVDAccess = static_cast<int32_t>(ini.ReadUnsigned("System", "DVDAccess", 1));
    r.SnapshotDir = ini.ReadText("System", "SnapshotDir", "");
    r.MultiThread = ini.ReadFlag("General", "MultiThread", 1);
    r.ProcessPriority = static_cast<int32_t>(ini.ReadUnsigned("General", "ProcessPriority", 32));
    r.EncoderSilence = static_cast<int32_t>(ini.ReadUnsigned("General", "EncoderSilence", 120));
    r.FitWidth = ini.ReadFlag("Video", "FitWidth", 1);
    r.FitHeight = ini.ReadFlag("Video", "FitHeight", 0);
    r.ExpandToVideoSize = ini.ReadFlag("Video", "ExpandToVideoSize", 1);
    r.RoundTo16Pix = ini.ReadFlag("Video", "RoundTo16Pix", 0);
    r.RunOsprel = ini.ReadFlag("Osprel", "RunOsprel", 1);
    r.MainTitle = ini.ReadFlag("Osprel", "MainTitle", 1);
    r.CheckUpdate = static_cast<int32_t>(ini.ReadUnsigned("Update", "CheckUpdate", 1));
    r.Language = ini.ReadText("System", "Language", "");

    // Failures to create the folders (they may exist) are of no concern here:
    // the conversion reports a folder that is missing when it needs it.
    if (s.outputFolder.empty()) {
        s.outputFolder = defaults.output;
        MakeFolders(s.outputFolder);
    }
    // The player runs in the snapshot folder: without it no preview starts.
    if (!r.SnapshotDir.empty() && !MakeFolders(r.SnapshotDir)) {
        s.unusableSnapshotDir = r.SnapshotDir;
        r.SnapshotDir.clear();
    }
    if (r.SnapshotDir.empty()) {
        r.SnapshotDir = defaults.snapshot;
        MakeFolders(r.SnapshotDir);
    }
    return s;
}

bool SaveSettings(const CIni& ini, const SettingsRecord& r, const std::string& outputFolder,
                  const std::string& currentProfileName) {
    auto flag = [](int32_t v) { return v != 0 ? 1 : 0; };
    // The first key that cannot be written ends the saving: the rest would
    // fail alike.
    bool ok = true;
    ok = ok && ini.WriteText("System", "Skin", r.Skin.c_str());
    ok = ok && ini.WriteText("System", "DefOutput", outputFolder.c_str());
    ok = ok && ini.WriteText("System", "SnapshotDir", r.SnapshotDir.c_str());
    ok = ok && ini.WriteText("System", "DefProfile", currentProfileName.c_str());
    ok = ok && ini.WriteNumber("System", "VideoDriver", r.VideoDriver);
    ok = ok && ini.WriteNumber("System", "DVDAccess", r.DVDAccess);
    ok = ok && ini.WriteText("System", "Language", r.Language.c_str());
    ok = ok && ini.WriteNumber("General", "MultiThread", flag(r.MultiThread));
    ok = ok && ini.WriteNumber("General", "ProcessPriority", r.ProcessPriority);
    ok = ok && ini.WriteNumber("Video", "FitWidth", flag(r.FitWidth));
    ok = ok && ini.WriteNumber("Video", "FitHeight", flag(r.FitHeight));
    ok = ok && ini.WriteNumber("Video", "ExpandToVideoSize", flag(r.ExpandToVideoSize));
    ok = ok && ini.WriteNumber("Video", "RoundTo16Pix", flag(r.RoundTo16Pix));
    ok = ok && ini.WriteNumber("Osprel", "RunOsprel", flag(r.RunOsprel));
    ok = ok && ini.WriteNumber("Osprel", "MainTitle", flag(r.MainTitle));
    ok = ok && ini.WriteNumber("Update", "CheckUpdate", r.CheckUpdate);
    return ok;
}

} // namespace qv
