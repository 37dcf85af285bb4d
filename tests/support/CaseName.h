#pragma once

// Readable, build-stable names for parameterised cases: letters and digits stay, every other byte
// of the UTF-8 text becomes "_" and two hexadecimal digits, so distinct texts keep distinct names.

#include <string>

namespace CaseName {

inline std::string FromText(const std::string& text) {
    if (text.empty())
        return "empty";
    static const char* const hex = "0123456789ABCDEF";
    std::string name;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')) {
            name += c;
            continue;
        }
        name += '_';
        name += hex[byte >> 4];
        name += hex[byte & 0xF];
    }
    return name;
}

} // namespace CaseName
