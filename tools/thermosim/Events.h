#pragma once

#include <string>

namespace thermosim {

// One line on standard output, flushed at once: tests and benchmarks wait on these lines.
void emitEvent(const std::string& line);

} // namespace thermosim
