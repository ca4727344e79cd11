#pragma once

#include "core/Escapes.h"

#include <string>
#include <string_view>

namespace thermosim {

// Text given on a command line or a control line carries NUL, line endings and bytes
// 0x80-0xFF as \r \n \t \\ \0 and \xHH; anything else after a backslash is an error.
core::Result<std::string> unescape(std::string_view text);

// Lower-case hex pairs separated by spaces, e.g. "0d 0a".
std::string hexBytes(std::string_view bytes);

} // namespace thermosim
