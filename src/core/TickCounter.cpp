#include "core/TickCounter.h"

namespace core {

namespace {
constexpr std::int16_t kWriteAt = 60;
constexpr std::int16_t kStep = 10;
} // namespace

bool TickCounter::step()
{
    if (m_count == kWriteAt) {
        m_count = 0;
        return true;
    }
    m_count = static_cast<std::int16_t>(m_count + kStep);
    return false;
}

} // namespace core
