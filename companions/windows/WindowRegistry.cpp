#include "WindowRegistry.h"

#include <map>
#include <mutex>
#include <shared_mutex>

namespace {

struct Entry {
    QvWindowProc proc;
    void* context;
};

struct Registry {
    std::shared_mutex mutex;
    std::map<int32_t, Entry> windows;
    int32_t next = 0x10000;
};

Registry& R() {
    static Registry* r = new Registry; // used until the process ends
    return *r;
}

} // namespace

extern "C" int32_t QvRegisterWindow(QvWindowProc proc, void* context) {
    if (!proc)
        return 0;
    Registry& r = R();
    std::unique_lock lock(r.mutex);
    int32_t handle = r.next++;
    r.windows[handle] = {proc, context};
    return handle;
}

extern "C" void QvUnregisterWindow(int32_t handle) {
    Registry& r = R();
    std::unique_lock lock(r.mutex); // waits for messages being delivered
    r.windows.erase(handle);
}

extern "C" int64_t QvSendWindowMessage(int32_t handle, int32_t message, int64_t wParam,
                                       int64_t lParam) {
    Registry& r = R();
    std::shared_lock lock(r.mutex);
    auto it = r.windows.find(handle);
    if (it == r.windows.end())
        return 0;
    return it->second.proc(it->second.context, message, wParam, lParam);
}
