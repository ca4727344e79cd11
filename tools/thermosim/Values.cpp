#include "Values.h"

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace thermosim {
namespace {

// strtol alone would take signs, blanks and a partial number.
bool isDecimal(std::string_view text)
{
    if (text.empty() || text.size() > 20)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

} // namespace

const char* const kExpectedMode = "normal, silent, garbage, flood, twice, acknowledge or mix";

bool parseNumber(std::string_view text, long min, long max, long& value)
{
    if (!isDecimal(text))
        return false;
    const std::string copy(text);
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max)
        return false;
    value = parsed;
    return true;
}

bool parsePositions(std::string_view text, long max, std::vector<std::size_t>& positions)
{
    std::vector<std::size_t> parsed;
    for (;;) {
        const std::size_t comma = text.find(',');
        long value = 0;
        if (!parseNumber(text.substr(0, comma), 0, max, value))
            return false;
        // A position again, or an earlier one, would be a packet of nothing.
        const auto position = static_cast<std::size_t>(value);
        if (!parsed.empty() && position <= parsed.back())
            return false;
        parsed.push_back(position);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    positions = std::move(parsed);
    return true;
}

bool parseSeed(std::string_view text, std::uint64_t& seed)
{
    if (!isDecimal(text))
        return false;
    const std::string copy(text);
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return false;
    seed = parsed;
    return true;
}

bool parseMode(std::string_view text, Mode& mode)
{
    for (const Mode each : kModes) {
        if (text == modeName(each)) {
            mode = each;
            return true;
        }
    }
    return false;
}

const char* modeName(Mode mode)
{
    switch (mode) {
    case Mode::Normal:
        return "normal";
    case Mode::Silent:
        return "silent";
    case Mode::Garbage:
        return "garbage";
    case Mode::Flood:
        return "flood";
    case Mode::Twice:
        return "twice";
    case Mode::Acknowledge:
        return "acknowledge";
    case Mode::Mix:
        break;
    }
    return "mix";
}

bool parseSwitch(std::string_view text, bool& on)
{
    if (text != "on" && text != "off")
        return false;
    on = text == "on";
    return true;
}

std::string expectedNumber(long min, long max)
{
    return "a whole number from " + std::to_string(min) + " to " + std::to_string(max);
}

std::string expectedPositions(long max)
{
    return "whole numbers from 0 to " + std::to_string(max) +
           " in ascending order, separated by commas";
}

} // namespace thermosim
