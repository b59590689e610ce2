#pragma once

#include "TitleSearchRequest.h"

extern "C" {
// Searches a DVD for titles worth converting and reports them to the
// request's window (WM_TITLE_SEARCH_REPORT, wParam 1 with each valid title's
// number, wParam 2 with the progress percent). A title is valid when it
// plays at least the request's number of seconds and the first and last
// sector of each of its cells can be read; with mainTitle set only the
// longest valid title is reported.
__attribute__((visibility("default"))) void FindValidTitles(qv::TitleSearchRequest* request);
}
