#pragma once

// A user-services double: records every message box and answers as told.

#include "platform/UserServices.h"

#include <mutex>
#include <string>
#include <vector>

namespace qvtest {

class RecordingServices : public qv::UserServices {
public:
    struct Box {
        std::string text, caption;
        qv::MsgIcon icon;
        qv::MsgButtons buttons;
    };
    RecordingServices() { qv::SetServices(this); }
    ~RecordingServices() override { qv::SetServices(nullptr); }

    int MessageBox(const std::string& text, const std::string& caption, qv::MsgIcon icon,
                   qv::MsgButtons buttons) override {
        std::lock_guard lock(mutex);
        boxes.push_back({text, caption, icon, buttons});
        return answer;
    }

    std::mutex mutex;
    std::vector<Box> boxes;
    int answer = qv::MsgOk;
};

} // namespace qvtest
