#pragma once

#include <cstdint>

namespace core {

// The sampling timer's interval.
inline constexpr int kTickIntervalMs = 10000;
// The counter steps by this much a tick that writes nothing, and a tick that finds it at
// kWriteAt writes the file and sets it back to 0...
inline constexpr std::int16_t kCounterStep = 10;
inline constexpr std::int16_t kWriteAt = 60;
// ...so every this many ticks write it.
inline constexpr int kTicksPerWrite = kWriteAt / kCounterStep + 1;

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
