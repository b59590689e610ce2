#pragma once

#include "DvdInfoBlock.h"

extern "C" {
// Reads the titles of a DVD (a device, or a folder with or without its
// VIDEO_TS part) into the block, which the caller has zero-filled. 0 on
// success; 1 the disc cannot be opened, 2 its title table cannot be read,
// 3 its files are damaged beyond reading (the reader crashed), 4 the reading
// took longer than two minutes and was stopped.
// Never writes outside the block.
__attribute__((visibility("default"))) int ReadDvdStructure(char* path, qv::DvdInfoBlock* block);
}

namespace qv {
// The same reading in the calling process, without the child: for the fuzz
// target, where a crash of libdvdread is the finding. The program itself
// calls ReadDvdStructure.
int ReadDvdStructureInProcess(const char* path, DvdInfoBlock* block);
} // namespace qv
