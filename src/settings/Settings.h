#pragma once

#include <cstdint>
#include <string>

namespace qv {

class CIni;

// The settings of "Config.ini" that the main window holds and copies into
// each conversion batch.
struct SettingsRecord {
    std::string Skin = "Default";
    std::string SnapshotDir;
    int32_t MultiThread = 1;
    int32_t DVDAccess = 1;
    int32_t VideoDriver = 4;
    int32_t FitWidth = 1;
    int32_t FitHeight = 0;
    int32_t ExpandToVideoSize = 1;
    int32_t RoundTo16Pix = 0;
    int32_t ProcessPriority = 32;
    // Seconds an encoder may go without printing before its job fails
    // (General/EncoderSilence; read, never written: the default needs no entry).
    int32_t EncoderSilence = 120;
    int32_t RunOsprel = 1;
    int32_t MainTitle = 1;
    int32_t CheckUpdate = 1;
    std::string Language; // the language file's locale; empty: the desktop's
};

// What LoadSettings fills besides the record.
struct LoadedSettings {
    SettingsRecord record;
    std::string outputFolder;   // System/DefOutput, or the default output folder
    std::string defaultProfile; // System/DefProfile
    // System/SnapshotDir when it named a folder that could not be made; the
    // record then holds the default snapshot folder.
    std::string unusableSnapshotDir;
};

// Makes a folder and the folders above it that are missing; true when the
// path is a folder afterwards.
bool MakeFolders(const std::string& path);

// The folders made under the documents folder when the file names none.
std::string DefaultOutputFolder(const std::string& documentsFolder);
std::string DefaultSnapshotFolder(const std::string& documentsFolder);

// The output and snapshot folders used when the file names none, each
// ending with "/".
struct DefaultFolders {
    std::string output;
    std::string snapshot;
};
DefaultFolders DefaultFoldersUnder(const std::string& documentsFolder);
// The running program's: under the documents folder while the program keeps
// its files in its own folder, else the user's videos and pictures folders.
DefaultFolders UserDefaultFolders();

// Reads every key with its default; creates the default folders it falls
// back to, and a snapshot folder that is missing. Nothing is written to the
// file.
LoadedSettings LoadSettings(const CIni& ini, const DefaultFolders& defaults);
LoadedSettings LoadSettings(const CIni& ini, const std::string& documentsFolder);
// Writes every key back, in the file's fixed order; keys of other programs
// stay in the file. False when the file could not be written (it is then
// left as it was).
bool SaveSettings(const CIni& ini, const SettingsRecord& record, const std::string& outputFolder,
                  const std::string& currentProfileName);

} // namespace qv
