#include "core/CommandLine.h"

#include <cstdlib>

namespace core {

namespace {

bool named(const std::string& argument, const char* name, bool windowsStyle)
{
    return argument == std::string("--") + name ||
           (windowsStyle && argument == std::string("/") + name);
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
