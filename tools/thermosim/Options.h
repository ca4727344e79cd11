#pragma once

#include "Values.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace thermosim {

struct Options
{
    std::optional<std::string> reply; // already unescaped; empty means "generate"
    long baud = 0;
    long delayMs = 0;
    Mode mode = Mode::Normal;
    long shortLength = 0;
    std::optional<std::string> stale; // already unescaped
    long staleGapMs = 100;
    long twiceGapMs = 0;
    long ackGapMs = 100;
    bool unique = false;
    std::vector<std::size_t> pauseAt; // ascending; every reply stops after each
    long pauseMs = 0;
    long mixLateMs = 1500;
    std::string installPrefix;
    int com = 0;
    bool control = false;
    std::optional<std::uint64_t> seed;
};

enum class ParseResult
{
    Run,
    Help,
    Invalid,
};

ParseResult parseOptions(int argc, char** argv, Options& options, std::string& error);

} // namespace thermosim
