// Every shipped profile converts a clip through the command line the program
// builds for it.
#include "support/MediaInfo.h"
#include "support/TempDir.h"
#include "support/Tool.h"

#include "engine/EncoderCommand.h"
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <map>
#include <memory>

using namespace qv;
using qvtest::MediaInfo;

namespace {

std::unique_ptr<ProfileTable> ShippedProfiles() {
    auto table = std::make_unique<ProfileTable>();
    void* lib = ::dlopen((qvtest::ProgramDir() + "libTessarn.so").c_str(), RTLD_NOW);
    auto load = reinterpret_cast<void (*)(char*, ProfileTable*, const char*)>(
        lib ? ::dlsym(lib, "LoadProfiles") : nullptr);
    table->count = 0;
    if (load) {
        std::string folder = qvtest::ProgramDir() + "Profiles/";
        load(folder.data(), table.get(), "1");
    }
    return table;
}

const std::map<std::string, std::string> kContainer = {
    {"avi", "AVI"},           {"mp4", "MPEG-4"},        {"ipod_h264", "MPEG-4"},
    {"ipod_mpeg4", "MPEG-4"}, {"wmv", "Windows Media"}, {"flv", "Flash Video"},
    {"mpg", "MPEG-PS"},       {"3gp", "MPEG-4"},        {"mkv", "Matroska"},
    {"mp3", "MPEG Audio"},    {"wav", "Wave"},          {"aac", "ADTS"},
    {"m4a", "MPEG-4"},        {"ac3", "AC-3"},          {"ogg", "Ogg"},
    {"flac", "FLAC"},         {"wma", "Windows Media"}};

int RunLine(const std::string& commandLine, std::string* output) {
    qvtest::ToolRun r = qvtest::RunTool(SplitCommandLine(commandLine));
    *output = r.output;
    return r.exitCode;
}

} // namespace

TEST(ShippedProfiles, EveryProfileConvertsAClip) {
    std::unique_ptr<ProfileTable> table = ShippedProfiles();
    ASSERT_GE(table->count, 21);
    qvtest::TempDir dir;
    EngineSettings settings;
    const std::string tools = qvtest::ProgramDir();
    for (int i = 0; i < table->count; ++i) {
        const ProfileRecord& p = table->records[i];
        const std::string name = FieldText(p.name);
        const std::string format = FieldText(p.outputFormat);
        CMediaRecord job;
        job.sourcePath = qvtest::MediaDir() + "av.mp4";
        job.baseName = "clip" + std::to_string(i);
        job.fullLength = "00:00:04";
        job.trimStart = "00:00:01";
        job.trimEnd = "00:00:03";
        job.width = 640;
        job.height = 480;
        job.frameRate = "25";
        EncoderCommand c = BuildEncoderCommand(job, p, settings, dir.path(), tools);
        std::string out;
        ASSERT_EQ(RunLine(c.commandLine, &out), 0) << name << "\n" << c.commandLine << "\n" << out;
        if (IsRemuxFormat(format)) {
            // The four tool runs of the MP4 remux step, as the program makes them.
            const std::string stem = c.encoderOutputPath.substr(0, c.encoderOutputPath.rfind('.'));
            const std::string video = stem + (format == "ipod_h264" ? ".264" : ".m4v");
            const std::string audio = stem + ".aac";
            const std::string q = "\"" + tools + "codecs/quenzo\" ";
            const std::string m = "\"" + tools + "codecs/mp4creator\" ";
            ASSERT_EQ(RunLine(q + "-ovc copy -nosound  -of rawvideo -o \"" + video + "\" \"" +
                                  c.encoderOutputPath + "\"",
                              &out),
                      0)
                << out;
            ASSERT_EQ(RunLine(q + "-ovc frameno -oac copy -of rawaudio -o \"" + audio + "\" \"" +
                                  c.encoderOutputPath + "\"",
                              &out),
                      0)
                << out;
            ASSERT_EQ(RunLine(m + "-c \"" + video + "\" -rate=" + c.frameRate + " \"" +
                                  job.outputPath + "\"",
                              &out),
                      0)
                << out;
            ASSERT_EQ(RunLine(m + "-c \"" + audio + "\" \"" + job.outputPath + "\"", &out), 0)
                << out;
        }
        MediaInfo info(job.outputPath);
        ASSERT_TRUE(info.Opened()) << name;
        EXPECT_EQ(info.Get(MediaInfo::General, "Format"), kContainer.at(format)) << name;
        if (format != "aac") { // a raw ADTS stream states no length
            EXPECT_NEAR(info.Seconds(), 2.0, 0.35) << name;
        }
        EXPECT_EQ(info.Count(MediaInfo::Audio), 1u) << name;
        if (p.IsAudioOnly()) {
            EXPECT_EQ(info.Count(MediaInfo::Video), 0u) << name;
        } else {
            ASSERT_EQ(info.Count(MediaInfo::Video), 1u) << name;
            if (p.width > 0) {
                EXPECT_EQ(info.Int(MediaInfo::Video, "Width"), p.width) << name;
                EXPECT_EQ(info.Int(MediaInfo::Video, "Height"), p.height) << name;
            }
        }
    }
}
