#include "core/WeatherText.h"

#include <cstdio>

namespace core {

namespace {
const char* const kMonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}

std::string weatherDateLine(const LocalTime& when)
{
    // A clock that hands over nonsense gets an empty month name, never a read out of bounds.
    const char* month = when.month >= 1 && when.month <= 12 ? kMonthNames[when.month] : "";
    char line[64];
    std::snprintf(line, sizeof line, "%s %02d %04d %02d:%02d", month, when.day, when.year,
                  when.hour, when.minute);
    return line;
}

std::string weatherDisplayText(const LocalTime& when, const std::string& weatherField)
{
    return weatherDateLine(when) + "\r\n" + weatherField;
}

std::string weatherFileBytes(const LocalTime& when, const std::string& weatherField)
{
    return weatherDisplayText(when, weatherField) + "\r\n";
}

} // namespace core
