#include "OutputFile.h"
#include "base/PathText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// Removes a file the job created; what stands there now that is no plain
// file (a folder, a link put in its place) is left alone.
void RemoveCreated(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::unlink(path.c_str());
}

// Renames without replacing: renameat2's no-replace mode, or a hard link
// and an unlink where the file system lacks it. False with errno set.
bool MoveNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return false;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

} // namespace

std::string NumberedPath(const std::string& path, unsigned n) {
    // Only a "." in the file name starts the extension, not one in a folder name.
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        dot = path.size();
    std::string stem = path.substr(nameStart, dot - nameStart);
    std::string number;
    if (n > 0) {
        number = '(';
        number += std::to_string(n);
        number += ')';
    }
    const std::string ext = path.substr(dot);
    // A folder takes names of at most kNameMax bytes: a stem too long to
    // take its number and the ".partial" mark loses its end, cut between
    // two characters.
    const size_t room = kNameMax - (sizeof kPartialSuffix - 1);
    if (stem.size() + number.size() + ext.size() > room && number.size() + ext.size() < room) {
        size_t keep = room - number.size() - ext.size();
        while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
            --keep;
        stem.resize(keep);
    }
    return path.substr(0, nameStart) + stem + number + ext;
}

Result<std::string> ReserveOutputName(const std::string& path) {
    for (unsigned n = 0;; ++n) {
        const std::string name = NumberedPath(path, n);
        if (PathExists(name))
            continue;
        const std::string partial = name + kPartialSuffix;
        int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            if (!PathExists(name))
                return name;
            ::unlink(partial.c_str()); // the name appeared meanwhile
            continue;
        }
        if (errno != EEXIST)
            return Status::Fail("cannot create \"" + partial + "\": " + std::strerror(errno));
    }
}

Result<std::string> PublishOutput(const std::string& name, const std::string& base) {
    const std::string partial = name + kPartialSuffix;
    for (unsigned n = 0;; ++n) {
        // First the reserved name, whose ".partial" is this job's own; then
        // names no one has reserved.
        const std::string target = n == 0 ? name : NumberedPath(base, n - 1);
        if (PathExists(target) || (n > 0 && PathExists(target + kPartialSuffix)))
            continue;
        if (MoveNoReplace(partial, target))
            return target;
        if (errno != EEXIST)
            return Status::Fail("cannot rename \"" + partial + "\" to \"" + target +
                                "\": " + std::strerror(errno));
    }
}

void JobFiles::Forget(const std::string& path) {
    for (auto* list : {&work_, &scratch_})
        list->erase(std::remove(list->begin(), list->end(), path), list->end());
}

void JobFiles::RemoveAll() {
    for (auto* list : {&work_, &scratch_})
        for (const std::string& path : *list)
            RemoveCreated(path);
    work_.clear();
    scratch_.clear();
}

void JobFiles::RemoveScratch() {
    for (const std::string& path : scratch_)
        RemoveCreated(path);
    scratch_.clear();
}

} // namespace qv
