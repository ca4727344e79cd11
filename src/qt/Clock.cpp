#include "qt/Clock.h"

namespace qt {

core::LocalTime Clock::localTime() const
{
    return localTimeOf(wallClock());
}

core::ExchangeTime Clock::now() const
{
    return core::ExchangeClock::now();
}

core::LocalTime Clock::localTimeOf(const QDateTime& when)
{
    const QDateTime local = when.toLocalTime();
    const QDate date = local.date();
    const QTime time = local.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

QDateTime Clock::wallClock() const
{
    return QDateTime::currentDateTime();
}

} // namespace qt
