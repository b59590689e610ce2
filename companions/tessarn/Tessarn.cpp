#include "Tessarn.h"

#include "ProfileFile.h"
#include "quimbrel/Quimbrel.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

void Log(const std::string& text) {
    WriteLogLine(text.c_str());
}

std::vector<std::string> ProfileFiles(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (dirent* d = ::readdir(dir)) {
            std::string name = d->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0)
                names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

extern "C" void LoadProfiles(char* folderText, qv::ProfileTable* table, const char* /*flag*/) {
    if (!table)
        return;
    table->count = 0;
    std::string folder = folderText ? folderText : "";
    std::replace(folder.begin(), folder.end(), '\\', '/');
    if (!folder.empty() && folder.back() != '/')
        folder += '/';

    for (const std::string& name : ProfileFiles(folder)) {
        const std::string path = folder + name;
        if (table->count == qv::kMaxProfiles) {
            Log("Profile skipped, the table holds " + std::to_string(qv::kMaxProfiles) +
                " profiles: " + path);
            continue;
        }
        std::ifstream f(path, std::ios::binary);
        if (!f) {
            Log("Profile skipped, cannot read " + path);
            continue;
        }
        std::ostringstream data;
        data << f.rdbuf();
        std::string error;
        std::vector<std::string> warnings;
        qv::ProfileRecord& record = table->records[table->count];
        if (!qv::ParseProfileFile(data.str(), record, &error, &warnings)) {
            std::memset(&record, 0, sizeof record);
            Log("Profile skipped, " + path + ": " + error);
            continue;
        }
        for (const std::string& w : warnings)
            Log("Profile " + path + ": " + w);
        ++table->count;
    }
}
