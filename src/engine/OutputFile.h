#pragma once

#include "base/Result.h"

#include <cstddef>
#include <string>
#include <vector>

namespace qv {

// A result is written as "NAME.partial" and gets its NAME only once it is
// complete, so that a file under a final name is always a finished one.
inline constexpr char kPartialSuffix[] = ".partial";

// The longest file name a folder takes, in bytes.
inline constexpr size_t kNameMax = 255;

// The n-th numbered variant of a path, "stem(n).ext" (n = 0: the path itself).
// A name that would not fit a folder with its ".partial" mark has its stem
// shortened.
std::string NumberedPath(const std::string& path, unsigned n);

// Reserves a job's name: the first of path, "stem(1).ext", ... of which
// neither NAME nor NAME.partial exists, taken by creating NAME.partial
// exclusively (an empty file that the writer then fills). Returns NAME, or
// the reason when the folder refuses the file.
Result<std::string> ReserveOutputName(const std::string& path);

// Moves NAME.partial to NAME, never replacing a file: when NAME was taken
// meanwhile the file gets the first free name of base, "stem(1).ext", ...
// Returns the name it got, or the reason when it could not be moved (it
// stays under NAME.partial).
Result<std::string> PublishOutput(const std::string& name, const std::string& base);

// The files one job has created, for what becomes of them at its end.
class JobFiles {
public:
    // A file that is the job's own work in progress (its result or the
    // encoder's intermediate) or a scratch file (removed when it succeeds).
    void AddWork(const std::string& path) { work_.push_back(path); }
    void AddScratch(const std::string& path) { scratch_.push_back(path); }
    void Forget(const std::string& path);
    // Failed or cancelled: everything this job created goes, so that no
    // half-written file is left and the next run of the source gets the
    // same names.
    void RemoveAll();
    // Succeeded: the scratch files go.
    void RemoveScratch();

private:
    std::vector<std::string> work_, scratch_;
};

} // namespace qv
