#include "core/CommandLine.h"

#include <cstdlib>
#include <string_view>

namespace core {

namespace {

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool startsWith(std::string_view text, std::string_view start)
{
    return text.substr(0, start.size()) == start;
}

// A Linux program takes "--start" only as it is written. A Windows program takes "/start" and
// "--start" in any case, as Windows programs do ("/START", "/Start").
bool named(std::string_view argument, std::string_view name, bool windowsStyle)
{
    if (!windowsStyle)
        return startsWith(argument, "--") && argument.substr(2) == name;
    for (std::string_view prefix : {std::string_view("--"), std::string_view("/")}) {
        if (startsWith(argument, prefix) && sameIgnoringCase(argument.substr(prefix.size()), name))
            return true;
    }
    return false;
}

} // namespace

CommandLine readCommandLine(const std::vector<std::string>& arguments, bool windowsStyle)
{
    CommandLine line;
    for (const std::string& argument : arguments) {
        if (named(argument, "start", windowsStyle)) {
            line.start = true;
        } else if (named(argument, "help", windowsStyle) || argument == "-h" ||
                   (windowsStyle && argument == "/?")) {
            line.action = CommandLine::Action::Help;
            return line;
        } else if (named(argument, "version", windowsStyle)) {
            line.action = CommandLine::Action::Version;
            return line;
        } else {
            line.action = CommandLine::Action::Refused;
            line.refused = argument;
            return line;
        }
    }
    return line;
}

SessionTimes sessionTimes(const char* tickMs)
{
    SessionTimes times;
    if (!tickMs || *tickMs == '\0')
        return times;
    char* end = nullptr;
    const unsigned long milliseconds = std::strtoul(tickMs, &end, 10);
    if (*end == '\0' && milliseconds > 0 && milliseconds <= 3600000UL)
        times.tick = std::chrono::milliseconds(milliseconds);
    return times;
}

} // namespace core
