#include "Services.h"

#include "lorvesta/Lorvesta.h"
#include "quimbrel/Quimbrel.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace qv {

std::string Text(const char* section, const char* key) {
    return LangText(section, key);
}

void LangOpenDefault() {
    LangOpen("Lang/*.xml");
    if (LangAvailable() > 0)
        LangSelect(0);
}

void Log(const std::string& text) {
    WriteLogLine(text.c_str());
}

void LogF(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::vector<char> buffer(n > 0 ? static_cast<size_t>(n) + 1 : 1, '\0');
    if (n > 0)
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    WriteLogLine(buffer.data());
}

} // namespace qv
