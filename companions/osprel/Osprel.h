#pragma once

#include "TitleSearchRequest.h"

extern "C" {
// Searches a DVD for titles worth converting and reports them to the
// request's window (WM_TITLE_SEARCH_REPORT, wParam 1 with each valid title's
// number, wParam 2 with the progress percent, wParam 3 with the number of a
// title whose cells cannot be read, wParam 4 when the disc could not be
// surveyed at all: lParam 1 it could not be opened, 2 the survey ran out of
// time, 3 it crashed), wParam 5 before each valid title's wParam 1 with what
// marks it as the feature (PackTraits of MainFeature.h; kMainFeature on the
// one MainFeatureOf picks). A title is valid when it plays at least the
// request's number of seconds and the first and last sector of each of its
// cells can be read; with mainTitle set only the main feature is reported
// with wParam 1.
__attribute__((visibility("default"))) void FindValidTitles(qv::TitleSearchRequest* request);
}
