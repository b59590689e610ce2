// DVD structure: corrupted IFO files (the title table, and the same input's
// second half as the first title set's) give a block or an error, never a
// crash, and never a write outside the block. The disc is read in this
// process, not in the program's child, so that a fault in libdvdread is
// found rather than turned into an error code.
#include "FuzzFile.h"
#include "dranvel/Dranvel.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace {

struct Disc {
    std::string folder = qvfuzz::MakeFolder("qvfuzzdvd");
    int made = ::mkdir((folder + "VIDEO_TS").c_str(), 0755);
    qvfuzz::File vmg{folder + "VIDEO_TS/VIDEO_TS.IFO"};
    qvfuzz::File vts{folder + "VIDEO_TS/VTS_01_0.IFO"};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Disc disc;
    const size_t half = size / 2;
    disc.vmg.Set(data, half);
    disc.vts.Set(data + half, size - half);
    auto guarded = std::make_unique<unsigned char[]>(sizeof(qv::DvdInfoBlock) + 8192);
    std::memset(guarded.get(), 0xA5, sizeof(qv::DvdInfoBlock) + 8192);
    auto* block = reinterpret_cast<qv::DvdInfoBlock*>(guarded.get() + 4096);
    std::memset(block, 0, sizeof *block);
    qv::ReadDvdStructureInProcess(disc.folder.c_str(), block);
    for (size_t i = 0; i < 4096; ++i)
        if (guarded[i] != 0xA5 || guarded[sizeof(qv::DvdInfoBlock) + 4096 + i] != 0xA5)
            std::abort();
    if (block->titleCount < 0 || block->titleCount > 99)
        std::abort();
    return 0;
}
