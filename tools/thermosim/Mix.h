#pragma once

#include "Answer.h"

#include <cstdint>
#include <random>
#include <string>

namespace thermosim {

// What the mix does with one command, settled and announced as the command arrives.
struct MixPlan
{
    std::string description; // the words of its "mix" event: "plain", "pause 23 80", ...
    bool silent = false;
    Nanos late = 0; // on top of --delay
    AnswerShape shape;
};

// The device a benchmark runs thousands of exchanges against: each command, independently of
// the others, answered plainly or with one of the line's misfortunes, at fixed odds (Mix.cpp).
class Mix
{
public:
    Mix(std::uint64_t seed, long longestLateMs);

    MixPlan next();

private:
    long between(long low, long high);
    std::string noise(std::size_t count);
    std::string runawayLine();

    std::mt19937_64 m_random;
    long m_longestLateMs;
};

} // namespace thermosim
