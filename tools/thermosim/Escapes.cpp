#include "Escapes.h"

namespace thermosim {

namespace {

// \r \n \t \\ \0 and \xHH make bytes, so a text can carry NUL, line ends and bytes 0x80-0xFF;
// anything else after a backslash is an error.
const core::EscapeDialect kLineEscapes = [] {
    core::EscapeDialect dialect;
    dialect.letters = true;
    dialect.hexDigits = 2;
    dialect.exactHexDigits = true;
    dialect.codesAreBytes = true;
    dialect.lastBackslashRefused = true;
    dialect.unknown = core::EscapeDialect::Unknown::Refused;
    return dialect;
}();

} // namespace

core::Result<std::string> unescape(std::string_view text)
{
    return core::unescape(text, kLineEscapes);
}

std::string hexBytes(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string result;
    result.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        if (!result.empty())
            result.push_back(' ');
        result.push_back(digits[value >> 4]);
        result.push_back(digits[value & 0x0f]);
    }
    return result;
}

} // namespace thermosim
