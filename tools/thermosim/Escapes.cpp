#include "Escapes.h"

namespace thermosim {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

bool unescape(std::string_view text, std::string& out, std::string& error)
{
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            result.push_back(c);
            continue;
        }
        if (i + 1 >= text.size()) {
            error = "text ends with a lone backslash";
            return false;
        }
        const char kind = text[++i];
        switch (kind) {
        case 'r':
            result.push_back('\r');
            break;
        case 'n':
            result.push_back('\n');
            break;
        case 't':
            result.push_back('\t');
            break;
        case '\\':
            result.push_back('\\');
            break;
        case '0':
            result.push_back('\0');
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                error = "\\x needs exactly two hex digits";
                return false;
            }
            result.push_back(static_cast<char>(high * 16 + low));
            i += 2;
            break;
        }
        default:
            error = std::string("unknown escape \\") + kind;
            return false;
        }
    }
    out = std::move(result);
    return true;
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
