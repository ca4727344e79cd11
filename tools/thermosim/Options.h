#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace thermosim {

enum class Mode
{
    Normal,
    Silent,
    Garbage,
    Flood,
    Twice,
    Acknowledge,
};

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
const char* usageText();

bool parseMode(std::string_view text, Mode& mode);
bool parseNumber(std::string_view text, long min, long max, long& value);

// Limits shared by the command line and the control lines.
constexpr long kMaxDelayMs = 3600000;
constexpr long kMaxShort = 1000000;

} // namespace thermosim
