#pragma once

// The window messages between the parts of the program, numbered from
// WM_USER, which is Qt's first user event type (the companions' own are in
// CompanionMessages.h).

#include "CompanionMessages.h"

namespace qv {

constexpr int WM_CONVERT_DONE = WM_USER + 101;
constexpr int WM_PLAYER_LAUNCHED = WM_USER + 200;
constexpr int WM_PLAYER_PLAYING = WM_USER + 201;
constexpr int WM_PLAYER_FAILED = WM_USER + 202;
constexpr int WM_PLAYER_ENDED = WM_USER + 203;
constexpr int WM_PLAYER_STOPPED = WM_USER + 204;
constexpr int WM_DVD_SCAN_DONE = WM_USER + 301;
constexpr int WM_PROFILE_CHOSEN = WM_USER + 520;
constexpr int WM_ADD_FILE = WM_USER + 620;
constexpr int WM_SLIDER_POSITION = WM_USER + 9425;
constexpr int WM_SLIDER_DONE = WM_USER + 9426;

} // namespace qv
