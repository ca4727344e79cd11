#include "core/TickCounter.h"

namespace core {

bool TickCounter::step()
{
    if (m_count == kWriteAt) {
        m_count = 0;
        return true;
    }
    m_count = static_cast<std::int16_t>(m_count + kCounterStep);
    return false;
}

} // namespace core
