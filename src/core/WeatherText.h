#pragma once

#include <string>

// The two-line text of the weather file: "Mar 05 2003 07:04", CR LF, the weather field.
// The host program reads English month names and a colon between hours and minutes
// whatever this machine's locale, and the weather field goes through byte for byte.
namespace core {

// One reading of the clock, so date and time always belong together.
struct LocalTime
{
    int year;
    int month; // 1 to 12
    int day;
    int hour;
    int minute;
    int second = 0;
};

std::string weatherDateLine(const LocalTime& when);

// The text shown in the window: line one, CR LF, the field, with no final line ending.
std::string weatherDisplayText(const LocalTime& when, const std::string& weatherField);

// The bytes of the file: the displayed text followed by CR LF.
std::string weatherFileBytes(const LocalTime& when, const std::string& weatherField);

} // namespace core
