#include "probe/ProbeQueue.h"

#include "support/Paths.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <thread>

using namespace qv;

namespace {

std::string Media(const std::string& name) {
    return qvtest::MediaDir() + name;
}

// What a probe gives, as one text, so that two probes compare at a glance.
std::string Facts(bool ok, const ProbeResult& r) {
    if (!ok)
        return "unreadable";
    return r.lengthText + " " + r.frameMode + " " + std::to_string(r.width) + "x" +
           std::to_string(r.height) + " " + r.frameRate + " " + r.format + " v" +
           std::to_string(r.videoStreams) + " a" + std::to_string(r.audioStreams) + " " +
           std::to_string(r.audioChannels) + "ch " + std::to_string(r.frameWidth) + "x" +
           std::to_string(r.frameHeight) + " " + r.hdr;
}

// Every result of a queue, taken in turns as the window takes them.
std::vector<std::string> Drain(ProbeQueue& queue) {
    std::vector<ProbeQueue::Result> all;
    while (queue.TakeReady(all) < queue.Size())
        queue.WaitNext(50);
    std::vector<std::string> facts;
    for (const ProbeQueue::Result& r : all)
        facts.push_back(Facts(r.ok, r.probe));
    return facts;
}

} // namespace

TEST(ProbeQueue, StartsOneWorkerPerCoreAndNeverMoreThanFiles) {
    EXPECT_EQ(ProbeQueue::WorkersFor(1000, 2), 2u);
    EXPECT_EQ(ProbeQueue::WorkersFor(1, 8), 1u);
    EXPECT_EQ(ProbeQueue::WorkersFor(10, 0), 1u); // a core count the system does not know
    EXPECT_EQ(ProbeQueue::WorkersFor(0, 4), 0u);
}

// The parallel reading hands back what one reading after another does, in
// the list's order, duplicates and unreadable files included.
TEST(ProbeQueue, GivesTheSerialResultsInTheListsOrder) {
    qvtest::TempDir dir;
    qvtest::WriteFile(dir / "notes.avi", "not a film at all");
    std::vector<std::string> paths;
    for (int round = 0; round < 3; ++round)
        for (const char* name : {"av.mp4", "film.avi", "sound.wav", "wide.mkv", "small.mp4"})
            paths.push_back(Media(name));
    paths.insert(paths.begin() + 3, dir / "notes.avi");
    paths.insert(paths.begin() + 11, dir / "missing.mp4");
    paths.push_back(Media("av.mp4"));

    std::vector<std::string> serial;
    for (const std::string& path : paths) {
        ProbeResult r;
        const bool ok = MediaInfoLibrary::Default().Read(path, r);
        serial.push_back(Facts(ok, r));
    }
    ASSERT_EQ(serial[3], "unreadable");
    ASSERT_EQ(serial[11], "unreadable");
    ASSERT_NE(serial[0], serial[1]);

    for (unsigned workers : {1u, 2u, 4u}) {
        ProbeQueue queue(paths, workers);
        EXPECT_EQ(queue.Workers(), workers);
        EXPECT_EQ(Drain(queue), serial) << workers << " workers";
    }
}

// A queue dropped while its workers read (the window closed, the adding
// cancelled) stops them and waits for them; nothing is left running.
TEST(ProbeQueue, DroppedWhileReadingStopsItsWorkers) {
    const std::vector<std::string> paths(200, Media("av.mp4"));
    for (int i = 0; i < 5; ++i) {
        ProbeQueue queue(paths, 2);
        std::vector<ProbeQueue::Result> some;
        if (i % 2)
            queue.WaitNext(1000);
        queue.TakeReady(some);
        EXPECT_LT(some.size(), paths.size());
    }
    // Cancelled: what was read stays in order, the rest never comes.
    ProbeQueue queue(paths, 2);
    queue.WaitNext(1000);
    queue.Cancel();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<ProbeQueue::Result> taken;
    const size_t n = queue.TakeReady(taken);
    EXPECT_GE(n, 1u);
    EXPECT_LT(n, paths.size());
    for (const ProbeQueue::Result& r : taken)
        EXPECT_TRUE(r.ok);
}
