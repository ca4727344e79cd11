#include "Events.h"

#include <cstdio>

namespace thermosim {

void emitEvent(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace thermosim
