#include "core/RecordLine.h"

#include <cstdio>

namespace core {

std::string recordLine(const LocalTime& when, std::string_view port, std::string_view what)
{
    // Sortable and the same in every locale: a record is read with grep and sort.
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d ", when.year, when.month,
                  when.day, when.hour, when.minute, when.second);
    return stamp + std::string(port) + ": " + std::string(what);
}

std::string readingTime(const LocalTime& when, const LocalTime& now)
{
    char time[8];
    std::snprintf(time, sizeof time, "%02d:%02d", when.hour, when.minute);
    const bool sameDay = when.year == now.year && when.month == now.month && when.day == now.day;
    if (sameDay)
        return time;
    // The date as the weather file writes it, without the year.
    return weatherDateLine(when).substr(0, 6) + " " + time;
}

} // namespace core
