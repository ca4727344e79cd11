#pragma once

#include <string_view>

namespace core {

// A weather field holding CR or LF would split the weather file's second line, and the host
// program would read the rest as a report of its own: such a reply is malformed.
bool breaksLine(std::string_view field);

} // namespace core
