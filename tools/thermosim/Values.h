#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace thermosim {

// The values the simulator takes, read alike from its command line and its control lines, so
// that both accept the same text and refuse it with the same words.

enum class Mode
{
    Normal,
    Silent,
    Garbage,
    Flood,
    Twice,
    Acknowledge,
    Mix,
};
inline constexpr Mode kModes[] = {Mode::Normal, Mode::Silent,      Mode::Garbage, Mode::Flood,
                                  Mode::Twice,  Mode::Acknowledge, Mode::Mix};
// The mode's word on the command line and the control lines: "normal", "silent", ...
const char* modeName(Mode mode);

// Limits shared by the command line and the control lines.
constexpr long kMaxBaud = 4000000;
constexpr long kMaxDelayMs = 3600000;
constexpr long kMaxShort = 1000000;
constexpr long kMaxGapMs = 60000;

// Plain decimal digits from min to max; no sign, no blanks, no partial number.
bool parseNumber(std::string_view text, long min, long max, long& value);
// Numbers as parseNumber takes them, separated by commas, each larger than the one before:
// "17,43". One number alone is a list of one.
bool parsePositions(std::string_view text, long max, std::vector<std::size_t>& positions);
// Any whole number that fits 64 bits.
bool parseSeed(std::string_view text, std::uint64_t& seed);
bool parseMode(std::string_view text, Mode& mode);
// "on" or "off".
bool parseSwitch(std::string_view text, bool& on);

// What a refused value should have been, for the message: "a whole number from 0 to 9".
std::string expectedNumber(long min, long max);
std::string expectedPositions(long max);
extern const char* const kExpectedMode;

} // namespace thermosim
