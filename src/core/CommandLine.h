#pragma once

#include "core/Session.h"

#include <string>
#include <vector>

// What the program is asked to do when it starts: run (and start sampling at once, for a
// station that starts the program with the computer), or only show its help or its version.
namespace core {

struct CommandLine
{
    enum class Action
    {
        Run,
        Help,
        Version,
        Refused, // `refused` holds the argument that means nothing to the program
    };
    Action action = Action::Run;
    // Act as if Start were pressed once the window is up.
    bool start = false;
    std::string refused;
};

// The arguments after the program's name. The Windows program also takes the Windows way of
// writing them ("/start", "/?"), and takes either way in any case.
CommandLine readCommandLine(const std::vector<std::string>& arguments, bool windowsStyle);

// The session's intervals: the design's, unless `tickMs` (the test-only environment variable
// UIQ_TICK_MS) is a whole number of milliseconds, which shortens the sampling tick so that a
// test sees seven ticks in seconds rather than in seventy.
SessionTimes sessionTimes(const char* tickMs);

} // namespace core
