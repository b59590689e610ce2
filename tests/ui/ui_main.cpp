// Test main for tests that need widgets: a QApplication on the offscreen
// platform, then GoogleTest. Each test process logs into a folder of its own,
// so that tests reading the log are not misled by tests running beside them.
#include <QApplication>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static std::string logDir;
    const char* dir = std::getenv("QUORVANE_LOG_DIR");
    const std::string base = dir && *dir ? dir : "/tmp/quorvane-test-logs";
    ::mkdir(base.c_str(), 0755);
    logDir = base + "/p" + std::to_string(::getpid());
    ::setenv("QUORVANE_LOG_DIR", logDir.c_str(), 1);
    std::atexit([] {
        if (std::system(("rm -rf '" + logDir + "'").c_str()) != 0) {
            // a log folder left behind does no harm
        }
    });
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
