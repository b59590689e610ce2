// Language files: any bytes give a language or a clean refusal.
#include "lorvesta/LanguageFile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    qv::LanguageFile lang;
    std::string error;
    qv::ParseLanguageFile(std::string_view(reinterpret_cast<const char*>(data), size), lang,
                          &error);
    std::string locales[2] = {lang.locale, "zh_CN"};
    qv::MatchLocale(std::string(reinterpret_cast<const char*>(data), size < 16 ? size : 16),
                    locales, 2);
    return 0;
}
