#include "Mix.h"

#include "ReplyMaker.h"

namespace thermosim {
namespace {

enum class Kind
{
    Plain,
    Pause,
    Acknowledge,
    Twice,
    Noise,
    Late,
    Silent,
    Long,
};

struct Odds
{
    Kind kind;
    int percent;
};

// Mostly plain answers, as a working thermometer gives, and every misfortune often enough to
// turn up many times in a run of a few thousand commands. --help and the manual page quote
// these figures.
constexpr Odds kOdds[] = {
    {Kind::Plain, 55}, {Kind::Pause, 10}, {Kind::Acknowledge, 8}, {Kind::Twice, 8},
    {Kind::Noise, 8},  {Kind::Late, 6},   {Kind::Silent, 3},      {Kind::Long, 2},
};

constexpr int totalPercent()
{
    int total = 0;
    for (const Odds& odds : kOdds)
        total += odds.percent;
    return total;
}
static_assert(totalPercent() == 100, "the odds must add up to 100 %");

constexpr long kShortestPauseMs = 5;
constexpr long kLongestPauseMs = 150;
constexpr long kLongestAckGapMs = 100;
constexpr long kLongestTwiceGapMs = 200;
constexpr long kMostNoise = 40;
// Past the 4,096 characters a client may wait for before it gives up on a line end.
constexpr std::size_t kRunawayLength = 4200;

std::string number(long value)
{
    return std::to_string(value);
}

} // namespace

Mix::Mix(std::uint64_t seed, long longestLateMs) : m_random(seed), m_longestLateMs(longestLateMs) {}

long Mix::between(long low, long high)
{
    return std::uniform_int_distribution<long>(low, high)(m_random);
}

std::string Mix::noise(std::size_t count)
{
    // Any byte but LF, which would end a line the client may still be reading.
    std::string bytes(count, '\0');
    for (auto& c : bytes) {
        const long value = between(0, 254);
        c = static_cast<char>(value >= '\n' ? value + 1 : value);
    }
    return bytes;
}

std::string Mix::runawayLine()
{
    std::string line(kRunawayLength, ' ');
    for (auto& c : line)
        c = static_cast<char>(between(0x20, 0x7e));
    return line + "\r\n";
}

MixPlan Mix::next()
{
    long roll = between(0, 99);
    Kind kind = Kind::Plain;
    for (const Odds& odds : kOdds) {
        if (roll < odds.percent) {
            kind = odds.kind;
            break;
        }
        roll -= odds.percent;
    }

    MixPlan plan;
    AnswerShape& shape = plan.shape;
    switch (kind) {
    case Kind::Plain:
        plan.description = "plain";
        break;
    case Kind::Pause: {
        // Anywhere from after the first character to between CR and LF.
        const long at = between(1, static_cast<long>(ReplyMaker::kLength) - 1);
        const long ms = between(kShortestPauseMs, kLongestPauseMs);
        shape.pauseAt = {static_cast<std::size_t>(at)};
        shape.pause = ms * kNanosPerMs;
        plan.description = "pause " + number(at) + " " + number(ms);
        break;
    }
    case Kind::Acknowledge: {
        const long ms = between(0, kLongestAckGapMs);
        shape.acknowledge = true;
        shape.ackGap = ms * kNanosPerMs;
        plan.description = "ack " + number(ms);
        break;
    }
    case Kind::Twice: {
        const long ms = between(0, kLongestTwiceGapMs);
        shape.copies = 2;
        shape.copyGap = ms * kNanosPerMs;
        plan.description = "twice " + number(ms);
        break;
    }
    case Kind::Noise: {
        const long count = between(1, kMostNoise);
        shape.trailer = noise(static_cast<std::size_t>(count));
        plan.description = "noise " + number(count);
        break;
    }
    case Kind::Late: {
        const long ms = between(1, m_longestLateMs);
        plan.late = ms * kNanosPerMs;
        plan.description = "late " + number(ms);
        break;
    }
    case Kind::Silent:
        plan.silent = true;
        plan.description = "silent";
        break;
    case Kind::Long:
        shape.instead = runawayLine();
        plan.description = "long";
        break;
    }
    return plan;
}

} // namespace thermosim
