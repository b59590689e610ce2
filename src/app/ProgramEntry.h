#pragma once

// What the programs' entry points share.

#include <string>
#include <vector>

namespace qv {

// Whether the user's locale asks for Chinese messages: the first of the
// variables that is set decides.
bool ChineseLocale(const std::vector<const char*>& variables);

// Whether the window program must run on XWayland: the preview draws into
// the window through X11 embedding, so on a Wayland session with an X
// display it does, unless the user chose a platform.
bool WantsXcbPlatform(const char* qtPlatform, const char* waylandDisplay, const char* display);

// The updater's message: the installed version, and where new ones come from.
std::string UpdateNotice(const std::string& version, bool chinese);

} // namespace qv
