#include "Clock.h"

#include <windows.h>

namespace win32 {

core::LocalTime Clock::localTime() const
{
    SYSTEMTIME clock;
    GetLocalTime(&clock);
    return {clock.wYear, clock.wMonth, clock.wDay, clock.wHour, clock.wMinute, clock.wSecond};
}

core::ExchangeTime Clock::now() const
{
    return core::ExchangeClock::now();
}

} // namespace win32
