#include "base/ProgramFolder.h"

#include "base/PathText.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(ProgramFolder, IsTheFolderOfTheRunningProgramWithATrailingSlash) {
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    std::string self(exe, static_cast<size_t>(n));
    std::string folder = qv::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_EQ(folder + self.substr(self.rfind('/') + 1), self);
}

TEST(ProgramFolder, FolderOfAPathInTheRootIsTheRoot) {
    EXPECT_EQ(qv::FolderOfPath("/quorvane"), "/");
    EXPECT_EQ(qv::FolderOfPath("/opt/q/quorvane"), "/opt/q/");
    EXPECT_EQ(qv::FolderOfPath("/opt/q.d/quorvane"), "/opt/q.d/");
}

TEST(ProgramFolder, DocumentsFolderHasNoTrailingSlash) {
    std::string docs = qv::DocumentsFolder();
    ASSERT_FALSE(docs.empty());
    EXPECT_NE(docs.back(), '/');
}

TEST(ProgramFolder, VersionTextIsTheStampedVersionOrTheFallback) {
    EXPECT_EQ(qv::FileVersionText(), QV_PROJECT_VERSION);
    EXPECT_EQ(qv::FileVersionTextOf(""), "None VerSion Supprot");
    EXPECT_EQ(qv::FileVersionTextOf(nullptr), "None VerSion Supprot");
}

namespace {

void CopyLibrary(const std::string& to, mode_t mode) {
    qvtest::WriteFile(to, qvtest::ReadFile(QV_TRACE_LIB));
    ::chmod(to.c_str(), mode);
}

} // namespace

TEST(TraceHook, DeliversFormattedLinesToTheLibrarysProcedure) {
    qvtest::TempDir dir;
    CopyLibrary(dir / "libxTRACE.so", 0755);
    qv::TraceHook hook(dir.path());
    ASSERT_TRUE(hook.Loaded());
    hook.Message("dwSeekTime = %d\n", 42);
    hook.Message("%s", ""); // an empty line is not handed over
    std::string longText(2000, 'x');
    hook.Message("%s", longText.c_str()); // cut to 511 characters

    void* lib = ::dlopen((dir / "libxTRACE.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(lib, nullptr);
    auto lines = reinterpret_cast<const char* (*)()>(::dlsym(lib, "TraceLines"));
    ASSERT_NE(lines, nullptr);
    EXPECT_EQ(std::string(lines()), "1,0,0,0:dwSeekTime = 42\n1,0,0,0:" + std::string(511, 'x'));
    ::dlclose(lib);
}

TEST(TraceHook, IgnoresAMissingOrForeignWritableLibrary) {
    qvtest::TempDir empty;
    qv::TraceHook none(empty.path());
    none.Message("nothing %d", 1);
    EXPECT_FALSE(none.Loaded());

    qvtest::TempDir dir;
    CopyLibrary(dir / "libxTRACE.so", 0777);
    qv::TraceHook planted(dir.path());
    EXPECT_FALSE(planted.Loaded());
}
