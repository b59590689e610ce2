#pragma once

// Path helpers every room uses; paths are byte strings with "/" separators.

#include <string>
#include <string_view>

namespace qv {

// Whether anything stands under the path (a dangling link counts: its name
// is taken).
bool PathExists(const std::string& path);
// Whether the path is a folder (or a link to one).
bool IsFolder(const std::string& path);
// The last component of a path: "/a/b.mp4" -> "b.mp4".
std::string FileNameOf(const std::string& path);
// The folder with a trailing "/"; an empty folder (the current one) stays
// empty, so a bare name is made relative to it.
std::string WithSlash(std::string folder);
// The folder part of a file path, ending with "/"; "/" for a file in the
// root, "./" for a bare name.
std::string FolderOfPath(std::string_view path);

} // namespace qv
