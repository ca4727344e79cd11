#pragma once

#include "core/Result.h"

#include <string>
#include <string_view>

// Characters written after a backslash. The settings file, Wine's registry file and the
// simulator's command line each write them their own way (each dialect is its owner's); one
// decoder reads them all, told the way.
namespace core {

struct EscapeDialect
{
    // What an escape that the dialect does not know stands for.
    enum class Unknown
    {
        Refused,       // it is an error
        BackslashKept, // the backslash stands for itself, and so does what follows
        LetterKept,    // the backslash is dropped
    };

    // \a \b \e \f \n \r \t \v, and \0 for NUL.
    bool letters = false;
    // \x and hex digits: at most this many (0: \x is no escape), or exactly this many.
    int hexDigits = 0;
    bool exactHexDigits = false;
    // \NNN: up to three octal digits (before \0 is taken for NUL).
    bool octal = false;
    // A \x escape counts only when it names a control character (C0 or DEL); else it stands
    // as written.
    bool onlyControls = false;
    // Escapes make bytes (0 to 255), or characters written as UTF-8.
    bool codesAreBytes = false;
    // A backslash at the very end of the text stands for itself, or is an error.
    bool lastBackslashRefused = false;
    Unknown unknown = Unknown::BackslashKept;
};

// The settings file: "\\" and "\"" as earlier versions wrote them, and "\x" with one or two
// hex digits that name a control character; every other backslash stands for itself, so a
// path typed by hand keeps its backslashes.
extern const EscapeDialect kSettingsFileEscapes;

// The text (UTF-8, or bytes) with its escapes undone; "\\" is always one backslash and "\""
// one quote. Fails with why, where the dialect refuses what it finds.
Result<std::string> unescape(std::string_view text, const EscapeDialect& dialect);

} // namespace core
