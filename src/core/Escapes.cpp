#include "core/Escapes.h"

#include "core/Captions.h"

namespace core {

namespace {

int digitValue(char c, int base)
{
    const int value = c >= '0' && c <= '9'   ? c - '0'
                      : c >= 'a' && c <= 'f' ? c - 'a' + 10
                      : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                             : base;
    return value < base ? value : -1;
}

int letterCode(char c)
{
    switch (c) {
    case 'a':
        return 0x07;
    case 'b':
        return 0x08;
    case 'e':
        return 0x1b;
    case 'f':
        return 0x0c;
    case 'n':
        return 0x0a;
    case 'r':
        return 0x0d;
    case 't':
        return 0x09;
    case 'v':
        return 0x0b;
    case '0':
        return 0x00;
    default:
        return -1;
    }
}

bool isControl(unsigned code)
{
    return code < 0x20 || code == 0x7f;
}

// A code in UTF-8, or as the byte itself. Wine writes a character beyond U+FFFF as two escapes,
// the two halves of its UTF-16 pair: the second joins the first into one character.
void append(std::string& out, unsigned code, bool asByte)
{
    if (!asByte && code >= 0xdc00 && code <= 0xdfff && out.size() >= 3) {
        const auto byte = [&](std::size_t back) {
            return static_cast<unsigned char>(out[out.size() - back]);
        };
        if (byte(3) == 0xed && byte(2) >= 0xa0 && byte(2) <= 0xaf) {
            const unsigned high = 0xd000 | ((byte(2) & 0x3fu) << 6) | (byte(1) & 0x3fu);
            out.resize(out.size() - 3);
            code = 0x10000 + ((high - 0xd800) << 10) + (code - 0xdc00);
        }
    }
    if (asByte || code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

// The digits after position `at` in a base, at most `most`: their value and how many.
std::pair<unsigned, int> number(std::string_view text, std::size_t at, int base, int most)
{
    unsigned value = 0;
    int taken = 0;
    while (taken < most && at + taken < text.size()) {
        const int digit = digitValue(text[at + taken], base);
        if (digit < 0)
            break;
        value = value * unsigned(base) + unsigned(digit);
        ++taken;
    }
    return {value, taken};
}

} // namespace

const EscapeDialect kSettingsFileEscapes = [] {
    EscapeDialect dialect;
    dialect.hexDigits = 2;
    dialect.onlyControls = true;
    return dialect;
}();

Result<std::string> unescape(std::string_view text, const EscapeDialect& dialect)
{
    using Unknown = EscapeDialect::Unknown;
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (i + 1 == text.size()) {
            if (dialect.lastBackslashRefused)
                return Result<std::string>::failure(captions::lastBackslash());
            out += c;
            continue;
        }
        const char next = text[i + 1];
        if (next == '\\' || next == '"') {
            out += next;
            ++i;
            continue;
        }
        if (dialect.octal && digitValue(next, 8) >= 0) {
            const auto [code, taken] = number(text, i + 1, 8, 3);
            append(out, code, dialect.codesAreBytes);
            i += std::size_t(taken);
            continue;
        }
        if (dialect.letters && letterCode(next) >= 0) {
            out += static_cast<char>(letterCode(next));
            ++i;
            continue;
        }
        if (next == 'x' && dialect.hexDigits > 0) {
            const auto [code, taken] = number(text, i + 2, 16, dialect.hexDigits);
            const bool whole = dialect.exactHexDigits ? taken == dialect.hexDigits : taken > 0;
            if (whole && (!dialect.onlyControls || isControl(code))) {
                append(out, code, dialect.codesAreBytes);
                i += 1 + std::size_t(taken);
                continue;
            }
            if (dialect.exactHexDigits && dialect.unknown == Unknown::Refused)
                return Result<std::string>::failure(captions::hexDigitsNeeded(dialect.hexDigits));
        }
        switch (dialect.unknown) {
        case Unknown::Refused:
            return Result<std::string>::failure(captions::unknownEscape(next));
        case Unknown::BackslashKept:
            out += c;
            break;
        case Unknown::LetterKept:
            out += next;
            ++i;
            break;
        }
    }
    return out;
}

} // namespace core
