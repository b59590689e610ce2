#pragma once

#include <cstdint>
#include <string>

namespace qv {

// Access to one INI file in the Windows private-profile format: "[section]"
// lines, "key=value" lines, ";" comments. Section and key names are compared
// without regard to case. Nothing is cached: every call reads or rewrites the
// file, which is created by the first write. Lines this class does not
// understand are kept as they stand when the file is rewritten.
//
// A null or empty section or key is "none": a read returns its default
// without touching the file, a write does nothing and returns false.
class CIni {
public:
    explicit CIni(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    std::string ReadText(const char* section, const char* key, const char* def = nullptr) const;
    // strtoul with base 10 on a 32-bit unsigned value; an empty value gives def.
    uint32_t ReadUnsigned(const char* section, const char* key, uint32_t def) const;
    // "true"/"yes" (any case) give 1, otherwise the leading signed number:
    // 0 gives 0, anything else 1, no number 0; an empty value gives def.
    int ReadFlag(const char* section, const char* key, int def) const;

    bool WriteText(const char* section, const char* key, const char* text) const;
    bool WriteNumber(const char* section, const char* key, int value) const;

private:
    std::string path_;
};

// The conversions behind ReadUnsigned and ReadFlag, on a value text.
uint32_t IniUnsignedValue(const std::string& text, uint32_t def);
int IniFlagValue(const std::string& text, int def);

} // namespace qv
