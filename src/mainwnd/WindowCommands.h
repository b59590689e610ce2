#pragma once

#include <ctime>
#include <string>

namespace qv {

// The local time as "%Y-%m-%d %H:%M:%S"; empty when it cannot be formatted.
std::string FormatUpdateTime(std::time_t when);
// Reads a text of that form as a local time; false when it is not one.
bool ParseUpdateTime(const std::string& text, std::time_t* when);

// What the automatic update check does with the last check's time text and
// setting CheckUpdate (0 daily, 1 weekly, 2 monthly, else never).
enum class UpdateAction {
    StoreNow,   // no usable last time: store the current time, run nothing
    RunUpdater, // due: run the updater, then store the current time
    Nothing,    // not due: write nothing
};
UpdateAction AutomaticUpdateAction(const std::string& lastUpdateDate, int checkUpdate,
                                   std::time_t now);

// The help page of the program folder, and its support section.
std::string HelpFilePath(const std::string& programFolder);
std::string SupportAddress(const std::string& programFolder);

} // namespace qv
