#pragma once

#include <string>
#include <string_view>

// Rules for a weather-file path that hold for every program here, on UTF-8 text. Each answers
// an empty text when the path passes, else the reason in plain words for the caption.
namespace core {

// NUL, CR, LF and every other control character (C0, DEL, C1): the file system would cut the
// path at a NUL or keep the others in a name that no one typed on purpose.
std::string controlCharacterReason(std::string_view path);

// A Windows device instead of a file: a last name of NUL, CON, PRN, AUX, COM1..COM9 or
// LPT1..LPT9 (any case, with or without an extension), or a "\\.\" or "\\?\" device path.
std::string windowsDeviceReason(std::string_view path);

} // namespace core
