#include "Mix.h"

#include "ReplyMaker.h"

#include <iterator>
#include <string_view>

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
    Tail,
    Packets,
    Stray,
    Straggler,
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
    {Kind::Plain, 51}, {Kind::Pause, 7},   {Kind::Acknowledge, 6}, {Kind::Twice, 6},
    {Kind::Noise, 6},  {Kind::Late, 5},    {Kind::Silent, 2},      {Kind::Long, 2},
    {Kind::Tail, 4},   {Kind::Packets, 4}, {Kind::Stray, 4},       {Kind::Straggler, 3},
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
// Inside the temperature, just short of the 54 characters a reply needs: where a client that
// ends a line after a quiet once cut the temperature.
constexpr long kFirstTailPause = 51;
constexpr long kLastTailPause = 53;
constexpr long kShortestTailMs = 300;
constexpr long kLongestTailMs = 600;
// A network or Bluetooth serial adapter hands a reply over in packets, a few hundred
// milliseconds apart.
constexpr long kShortestPacketGapMs = 300;
constexpr long kLongestPacketGapMs = 400;
// A late answer that stops soon after it began, for long enough that a client could take the
// quiet line for a finished one and send its next command into it.
constexpr long kLastStragglerPause = 8;
constexpr long kShortestStragglerMs = 300;
constexpr long kLongestStragglerMs = 700;

// What a line may carry just before a reply: a NUL or two as the thermometer powers up, the
// command echoed back, a bare acknowledgement, or one ended by CR alone.
const std::string kStrays[] = {
    std::string(1, '\0'),
    std::string(2, '\0'),
    "\x1b"
    "M",
    "\x06",
    "\x06OK\r",
};

std::string number(long value)
{
    return std::to_string(value);
}

// Hex pairs run together, so the bytes stay one word of the event.
std::string hexWord(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string word;
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        word += kDigits[value >> 4];
        word += kDigits[value & 0xf];
    }
    return word;
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
    case Kind::Tail: {
        const long at = between(kFirstTailPause, kLastTailPause);
        const long ms = between(kShortestTailMs, kLongestTailMs);
        shape.pauseAt = {static_cast<std::size_t>(at)};
        shape.pause = ms * kNanosPerMs;
        plan.description = "tail " + number(at) + " " + number(ms);
        break;
    }
    case Kind::Packets: {
        // Two or three packets, each of at least one character.
        const long last = static_cast<long>(ReplyMaker::kLength) - 1;
        const long first = between(1, last - 1);
        shape.pauseAt = {static_cast<std::size_t>(first)};
        std::string at = number(first);
        if (between(0, 1) == 1) {
            const long second = between(first + 1, last);
            shape.pauseAt.push_back(static_cast<std::size_t>(second));
            at += "," + number(second);
        }
        const long ms = between(kShortestPacketGapMs, kLongestPacketGapMs);
        shape.pause = ms * kNanosPerMs;
        plan.description = "packets " + at + " " + number(ms);
        break;
    }
    case Kind::Stray: {
        const std::string& stray =
            kStrays[static_cast<std::size_t>(between(0, long(std::size(kStrays)) - 1))];
        shape.glued = stray;
        plan.description = "stray " + hexWord(stray);
        break;
    }
    case Kind::Straggler: {
        const long late = between(1, m_longestLateMs);
        const long at = between(1, kLastStragglerPause);
        const long ms = between(kShortestStragglerMs, kLongestStragglerMs);
        plan.late = late * kNanosPerMs;
        shape.pauseAt = {static_cast<std::size_t>(at)};
        shape.pause = ms * kNanosPerMs;
        plan.description = "straggler " + number(late) + " " + number(at) + " " + number(ms);
        break;
    }
    }
    return plan;
}

} // namespace thermosim
