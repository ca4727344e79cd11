#pragma once

#include <string>
#include <string_view>

namespace thermosim {

// Turns \r \n \t \\ \0 and \xHH into bytes, so that text given on a command line or a control
// line can carry NUL, line endings and bytes 0x80-0xFF.
bool unescape(std::string_view text, std::string& out, std::string& error);

// Lower-case hex pairs separated by spaces, e.g. "0d 0a".
std::string hexBytes(std::string_view bytes);

} // namespace thermosim
