// DVD structure: corrupted IFO files (the title table, and the same bytes as
// the first title set's) give a block or an error, never a crash, and never
// a write outside the block.
#include "dranvel/Dranvel.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Folder() {
    static std::string folder = [] {
        char tmpl[] = "/tmp/qvfuzzdvd.XXXXXX";
        std::string dir = ::mkdtemp(tmpl);
        ::mkdir((dir + "/VIDEO_TS").c_str(), 0755);
        return dir + "/VIDEO_TS/";
    }();
    return folder;
}

void Write(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string folder = Folder();
    // The first half is the title table, the rest the title set's IFO.
    const size_t half = size / 2;
    Write(folder + "VIDEO_TS.IFO", data, half);
    Write(folder + "VTS_01_0.IFO", data + half, size - half);
    auto guarded = std::make_unique<unsigned char[]>(sizeof(qv::DvdInfoBlock) + 8192);
    std::memset(guarded.get(), 0xA5, sizeof(qv::DvdInfoBlock) + 8192);
    auto* block = reinterpret_cast<qv::DvdInfoBlock*>(guarded.get() + 4096);
    std::memset(block, 0, sizeof *block);
    std::string path = folder;
    ReadDvdStructure(path.data(), block);
    for (size_t i = 0; i < 4096; ++i)
        if (guarded[i] != 0xA5 || guarded[sizeof(qv::DvdInfoBlock) + 4096 + i] != 0xA5)
            std::abort();
    if (block->titleCount < 0 || block->titleCount > 99)
        std::abort();
    return 0;
}
