#include "ImagePreload.h"

#include "BitmapEx.h"

#include <atomic>
#include <condition_variable>
#include <dirent.h>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace qv {

namespace {

class Preloader {
public:
    ~Preloader() { Drop(); }

    void Start(const std::string& folder) {
        Drop();
        std::vector<std::string> files;
        if (DIR* d = ::opendir(folder.c_str())) {
            while (dirent* e = ::readdir(d)) {
                const std::string path = folder + e->d_name;
                if (e->d_name[0] != '.' && ImageKindOf(path) != ImageNone)
                    files.push_back(path);
            }
            ::closedir(d);
        }
        if (files.empty())
            return;
        std::lock_guard lock(mutex_);
        for (const std::string& f : files)
            images_[f]; // pending
        worker_ = std::thread([this, files] {
            for (const std::string& f : files) {
                if (stop_)
                    return;
                QImage image = DecodeImageFile(f);
                std::lock_guard lock(mutex_);
                images_[f] = std::move(image);
                decoded_.notify_all();
            }
        });
    }

    bool Take(const std::string& path, QImage* image) {
        std::unique_lock lock(mutex_);
        auto it = images_.find(path);
        if (it == images_.end())
            return false;
        decoded_.wait(lock, [&] { return it->second.has_value(); });
        *image = *it->second;
        return true;
    }

    void Drop() {
        stop_ = true;
        if (worker_.joinable())
            worker_.join();
        stop_ = false;
        std::lock_guard lock(mutex_);
        images_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable decoded_;
    std::map<std::string, std::optional<QImage>> images_; // nothing: still decoding
    std::thread worker_;
    std::atomic<bool> stop_{false};
};

Preloader& TheLoader() {
    static Preloader loader;
    return loader;
}

} // namespace

void PreloadImageFiles(const std::string& folder) {
    TheLoader().Start(folder);
}

bool TakePreloadedImage(const std::string& path, QImage* image) {
    return TheLoader().Take(path, image);
}

void DropPreloadedImages() {
    TheLoader().Drop();
}

} // namespace qv
