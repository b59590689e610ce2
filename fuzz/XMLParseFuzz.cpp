// XML files read by name: open any bytes, then walk them as the skin loader does.
#include "base/XMLParse.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int fd = ::memfd_create("xml", 0);
    ::ftruncate(fd, 0);
    ::pwrite(fd, data, size, 0);
    std::string path = "/proc/self/fd/" + std::to_string(fd);

    qv::XMLParse x;
    if (!x.Open(path.c_str()))
        return 0;
    for (const char* top : {"Skin", "IconList", "Profile"}) {
        qv::XMLParse::Node root = x.FindNode({}, top);
        int n = x.CountNodes(nullptr, root);
        for (int k = 0; k < n && k < 64; ++k) {
            qv::XMLParse::Node child = x.FindNode(root, root.first_child().name(), k);
            std::string text;
            x.NodeText("Name", child, text);
            x.CountNodes("*", child);
        }
    }
    return 0;
}
