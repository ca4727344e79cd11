#pragma once

#include <QString>
#include <string_view>

namespace qt {

// The core's UTF-8 as Qt text, every character kept. Qt's own conversion drops a byte order mark
// at the start, so a path or setting that began with one would name another file or be stored
// as another value.
QString text(std::string_view utf8);

} // namespace qt
