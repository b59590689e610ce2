#pragma once

// The window messages that the companion libraries post through the window
// registry, numbered from WM_USER, which is Qt's first user event type.

namespace qv {

constexpr int WM_USER = 1000; // QEvent::User

constexpr int WM_TITLE_SEARCH_REPORT = WM_USER + 501;

} // namespace qv
