#include "CompanionTest.h"

#include "ProfileLayout.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstring>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include <pugixml.hpp>

using qvtest::Library;
using LoadFn = void (*)(char*, void*, const char*);

namespace {

struct Table {
    std::vector<char> bytes = std::vector<char>(4 + 128 * 7144, '\x7f');
    int32_t Int(size_t offset) const {
        int32_t v;
        std::memcpy(&v, bytes.data() + offset, 4);
        return v;
    }
    int32_t Count() const { return Int(0); }
    size_t Record(int i) const { return 4 + static_cast<size_t>(i) * 7144; }
    std::string Text(int i, size_t offset, size_t size) const {
        const char* p = bytes.data() + Record(i) + offset;
        EXPECT_NE(std::memchr(p, 0, size), nullptr) << "text without terminator at " << offset;
        return std::string(p);
    }
    int32_t Int(int i, size_t offset) const { return Int(Record(i) + offset); }
};

Table Load(const std::string& folder) {
    static LoadFn load = Library("libTessarn.so").Symbol<LoadFn>("LoadProfiles");
    Table t;
    std::string path = folder;
    load(path.data(), t.bytes.data(), "1");
    return t;
}

std::string ValidProfile(const std::string& name, const std::string& extra = "",
                         const std::string& size = "640*480") {
    return "<Profile><Name>" + name +
           "</Name><Category>Test</Category><Format>avi</Format>"
           "<VideoCodec name='xvid' family='xvid'/><VideoCodec name='mpeg4' family='lavc' "
           "options='mbd=2' filters='hqdn3d'/><AudioCodec name='mp3' family='mp3lame'/>"
           "<Default><VideoCodec>mpeg4</VideoCodec><Size>" +
           size + "</Size><VideoBitRate>900</VideoBitRate></Default>" + extra + "</Profile>";
}

} // namespace

TEST(Tessarn, ShippedProfilesFillTheTableAtTheFixedOffsets) {
    Table t = Load(qvtest::ProgramDir() + "/Profiles/"); // two slashes, as the program passes it
    ASSERT_GE(t.Count(), 21);
    ASSERT_LE(t.Count(), 128);

    std::set<std::string> icons;
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file((qvtest::ProgramDir() + "Profiles/icon/Config.xml").c_str()));
    for (pugi::xml_node icon : doc.child("IconList").children("Icon")) {
        icons.insert(icon.child_value("Name"));
        EXPECT_TRUE(qvtest::FileExists(qvtest::ProgramDir() + icon.child_value("Path")));
    }

    std::set<std::string> formats, names;
    int ipod = -1;
    for (int i = 0; i < t.Count(); ++i) {
        std::string name = t.Text(i, 0, 128);
        EXPECT_TRUE(names.insert(name).second) << "two profiles named " << name;
        EXPECT_TRUE(icons.count(t.Text(i, 196, 32))) << name;
        EXPECT_TRUE(icons.count(t.Text(i, 228, 32))) << name;
        formats.insert(t.Text(i, 6884, 32));
        bool audio = t.Text(i, 7044, 32) == "audio";
        EXPECT_EQ(t.Int(i, 6660) == 0, audio) << name;
        EXPECT_GE(t.Int(i, 6664), 1) << name;
        if (t.Text(i, 6884, 32) == "ipod_h264")
            ipod = i;
    }
    for (const char* f : {"avi", "mp4", "ipod_h264", "ipod_mpeg4", "wmv", "flv", "mpg", "3gp",
                          "mkv", "mp3", "wav", "aac", "m4a", "ac3", "ogg", "flac"})
        EXPECT_TRUE(formats.count(f)) << f;

    ASSERT_GE(ipod, 0);
    EXPECT_EQ(t.Text(ipod, 128, 68), "MP4");
    EXPECT_EQ(t.Text(ipod, 260, 256), "320*240,480*320,640*480");
    EXPECT_EQ(t.Text(ipod, 1540, 32), "x264");
    EXPECT_EQ(t.Text(ipod, 1540 + 32, 32), "x264");
    EXPECT_EQ(t.Text(ipod, 1540 + 64, 128), "level_idc=30:bframes=0:nocabac");
    EXPECT_EQ(t.Text(ipod, 4740 + 32, 32), "faac");
    EXPECT_EQ(t.Text(ipod, 6668, 32), "x264");
    EXPECT_EQ(t.Text(ipod, 6700, 32), "aac");
    EXPECT_EQ(t.Int(ipod, 6732), 480);
    EXPECT_EQ(t.Int(ipod, 6736), 320);
    EXPECT_EQ(t.Text(ipod, 6740, 32), "Auto");
    EXPECT_EQ(t.Int(ipod, 6772), 768);
    EXPECT_EQ(t.Int(ipod, 6776), 128);
    EXPECT_EQ(t.Int(ipod, 6780), 44100);
    EXPECT_EQ(t.Int(ipod, 6784), 2);
    EXPECT_EQ(t.Text(ipod, 6788, 96), "letterbox");
    EXPECT_EQ(t.Int(ipod, 7140), 0);
}

TEST(Tessarn, BadFilesAreSkippedLoggedAndTheRestLoadInFileNameOrder) {
    qvtest::TempDir logs;
    ::setenv("QUORVANE_LOG_DIR", logs.path().c_str(), 1);
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "b.xml", ValidProfile("Second"));
    qvtest::WriteFile(dir / "a.xml", ValidProfile("First"));
    qvtest::WriteFile(dir / "c.xml", "<Profile><Name>Broken");
    qvtest::WriteFile(dir / "d.xml", std::string("\0\1\2\xff", 4));
    qvtest::WriteFile(dir / "e.xml", "");
    qvtest::WriteFile(dir / "f.xml",
                      "<Profile><Name>No codecs</Name><Format>avi</Format></Profile>");
    qvtest::WriteFile(dir / "g.xml", ValidProfile("Bad size", "", "640x480"));
    qvtest::WriteFile(dir / "h.xml", ValidProfile("Eleven codecs", [] {
                          std::string s;
                          for (int i = 0; i < 11; ++i)
                              s += "<AudioCodec name='a" + std::to_string(i) + "' family='pcm'/>";
                          return s;
                      }()));
    qvtest::WriteFile(dir / "notes.txt", ValidProfile("Not a profile file"));
    qvtest::WriteFile(dir / "z.xml", ValidProfile("Last"));

    Table t = Load(dir.path());
    ASSERT_EQ(t.Count(), 3);
    EXPECT_EQ(t.Text(0, 0, 128), "First");
    EXPECT_EQ(t.Text(1, 0, 128), "Second");
    EXPECT_EQ(t.Text(2, 0, 128), "Last");
    EXPECT_EQ(t.Text(0, 6668, 32), "mpeg4");
    EXPECT_EQ(t.Text(0, 1540 + 320 + 192, 128), "hqdn3d");
    EXPECT_EQ(t.Int(0, 6660), 2);
    EXPECT_EQ(t.Int(0, 6664), 1);
    EXPECT_EQ(t.Int(0, 6772), 900);
    EXPECT_EQ(t.Int(0, 6732), 640);

    EXPECT_EQ(Load(dir / "missing").Count(), 0);

    // The log is written on a thread of its own: wait for it.
    std::string log;
    for (int i = 0; i < 250 && log.find("h.xml") == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        log = qvtest::ReadFile(qvtest::ReadDirFirst(logs.path()));
    }
    for (const char* name : {"c.xml", "d.xml", "e.xml", "f.xml", "g.xml", "h.xml"})
        EXPECT_NE(log.find(std::string("Profile skipped, ") + dir.path() + "/" + name),
                  std::string::npos)
            << name;
    EXPECT_EQ(log.find("a.xml"), std::string::npos);
}

TEST(Tessarn, NeverMoreThan128RecordsAndTextsAlwaysEndInTheirField) {
    qvtest::TempDir dir;
    for (int i = 0; i < 130; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%03d.xml", i);
        qvtest::WriteFile(dir / name, ValidProfile(std::string(200, 'n') + std::to_string(i)));
    }
    Table t = Load(dir.path());
    EXPECT_EQ(t.Count(), 128);
    EXPECT_EQ(t.Text(127, 0, 128), std::string(127, 'n'));
    // The bytes right after the table's last record are the caller's.
    EXPECT_EQ(t.bytes.size(), 4u + 128 * 7144);
}
