#pragma once

#include "core/Result.h"

#include <string_view>

// Rules for a weather-file path that hold for every program here, on UTF-8 text. Each fails
// with the reason in plain words for the caption.
namespace core {

// A path of blanks, or none: there is nothing to write to.
Result<Done> refuseBlankPath(std::string_view path);

// NUL, CR, LF and every other control character (C0, DEL, C1): the file system would cut the
// path at a NUL or keep the others in a name that no one typed on purpose.
Result<Done> refuseControlCharacters(std::string_view path);

// A Windows device instead of a file: a last name of NUL, CON, PRN, AUX, COM1..COM9 or
// LPT1..LPT9 (any case, with or without an extension), or a "\\.\" or "\\?\" device path.
Result<Done> refuseWindowsDevices(std::string_view path);

} // namespace core
