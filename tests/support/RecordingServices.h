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
        events.push_back("box:" + text);
        return answer;
    }
    bool BrowseFolder(const qv::FolderRequest& request, std::string* chosen) override {
        std::lock_guard lock(mutex);
        folderRequests.push_back(request);
        events.push_back("browse:" + request.windowTitle);
        if (folderAnswer.empty())
            return false;
        *chosen = folderAnswer;
        return true;
    }
    bool OpenFolder(const std::string& path) override {
        std::lock_guard lock(mutex);
        events.push_back("open:" + path);
        return openAnswer;
    }
    bool OpenFiles(const qv::FileRequest&, std::vector<std::string>* chosen) override {
        std::lock_guard lock(mutex);
        events.push_back("files");
        if (filesAnswer.empty())
            return false;
        *chosen = filesAnswer;
        return true;
    }
    bool OpenDocument(const std::string& path) override {
        std::lock_guard lock(mutex);
        events.push_back("document:" + path);
        return openAnswer;
    }
    bool StartProgram(const std::string& path) override {
        std::lock_guard lock(mutex);
        events.push_back("start:" + path);
        return startAnswer;
    }
    void PowerOff() override {
        std::lock_guard lock(mutex);
        events.push_back("poweroff");
    }
    std::unique_ptr<qv::SleepInhibitor> InhibitSleep(const std::string&) override {
        std::lock_guard lock(mutex);
        events.push_back("inhibit");
        return std::make_unique<Inhibitor>(this);
    }

    void Notify(const std::string& summary, const std::string& body) override {
        std::lock_guard lock(mutex);
        events.push_back("notify:" + summary + "|" + body);
    }
    void ShowTaskbarProgress(double fraction) override {
        std::lock_guard lock(mutex);
        taskbar.push_back(fraction);
    }

    struct Inhibitor : qv::SleepInhibitor {
        explicit Inhibitor(RecordingServices* s) : owner(s) {}
        ~Inhibitor() override {
            std::lock_guard lock(owner->mutex);
            owner->events.push_back("release");
        }
        RecordingServices* owner;
    };

    std::mutex mutex;
    std::vector<Box> boxes;
    // Boxes, folder openings, power-off, sleep locks, notifications, in order.
    std::vector<std::string> events;
    int answer = qv::MsgOk;
    std::vector<qv::FolderRequest> folderRequests;
    std::string folderAnswer; // empty: the picker is cancelled
    bool openAnswer = true;   // false: the desktop has no program to open a folder or document
    std::vector<std::string> filesAnswer; // empty: the file picker is cancelled
    bool startAnswer = true;
    std::vector<double> taskbar; // the taskbar progress shown, in order (-1: taken away)
};

} // namespace qvtest
