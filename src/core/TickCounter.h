#pragma once

#include <cstdint>

namespace core {

// Decides which sampling ticks also write the weather file. The counter is tested before it
// is stepped, so the file is written on the seventh tick (70 seconds at 10 s a tick), and
// on every seventh tick after that.
class TickCounter
{
public:
    // Returns true when this tick writes the file.
    bool step();

    std::int16_t value() const { return m_count; }

private:
    std::int16_t m_count = 0;
};

} // namespace core
