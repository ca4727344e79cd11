#include "ReplyMaker.h"

#include <algorithm>
#include <cstdio>

namespace thermosim {
namespace {

// Kept where "%+05.1f" stays five characters wide and Fahrenheit stays three.
constexpr int kMinTenths = -400;
constexpr int kMaxTenths = 600;

int fahrenheit(int tenthsCelsius)
{
    const int hundredths = tenthsCelsius * 18 + 3200;
    return hundredths >= 0 ? (hundredths + 50) / 100 : -((-hundredths + 50) / 100);
}

} // namespace

ReplyMaker::ReplyMaker(std::uint64_t seed) : m_random(seed)
{
    m_tenthsCelsius = std::uniform_int_distribution<int>(150, 260)(m_random);
    m_windDirection = std::uniform_int_distribution<int>(0, 359)(m_random);
    m_windSpeed = std::uniform_int_distribution<int>(0, 12)(m_random);
}

void ReplyMaker::wander()
{
    // Never a zero step: consecutive replies always differ, which tests rely on.
    const int step = std::uniform_int_distribution<int>(1, 3)(m_random);
    const bool up = std::bernoulli_distribution(0.5)(m_random);
    int next = m_tenthsCelsius + (up ? step : -step);
    if (next > kMaxTenths || next < kMinTenths)
        next = m_tenthsCelsius + (up ? -step : step);
    m_tenthsCelsius = next;

    m_windDirection =
        (m_windDirection + std::uniform_int_distribution<int>(-10, 10)(m_random) + 360) % 360;
    m_windSpeed =
        std::clamp(m_windSpeed + std::uniform_int_distribution<int>(-1, 1)(m_random), 0, 60);
}

std::string ReplyMaker::next()
{
    if (m_sequence > 0)
        wander();
    m_sequence = (m_sequence + 1) % 1000000;
    const int gust = m_windSpeed + std::uniform_int_distribution<int>(0, 5)(m_random);

    char text[128];
    const int written =
        std::snprintf(text, sizeof text, "QVX1 %06u%9s%03d/%03dg%03dt%03d r000p000P000 %+05.1f\r\n",
                      m_sequence, "", m_windDirection, m_windSpeed, gust,
                      fahrenheit(m_tenthsCelsius), m_tenthsCelsius / 10.0);
    return std::string(text, static_cast<std::size_t>(std::clamp(written, 0, int(kLength))));
}

std::string ReplyMaker::numbered(std::uint64_t command)
{
    m_sequence = (m_sequence + 1) % 1000000;
    // The temperature names the command too, in tenths of a degree, and is still written the
    // way the thermometer writes one.
    const unsigned tenths = static_cast<unsigned>(command % 1000);
    char text[128];
    const int written = std::snprintf(
        text, sizeof text, "QVX1 %06u%9sW%014llu r000p000P000 +%02u.%u\r\n", m_sequence, "",
        static_cast<unsigned long long>(command % 100000000000000ULL), tenths / 10, tenths % 10);
    return std::string(text, static_cast<std::size_t>(std::clamp(written, 0, int(kLength))));
}

std::string ReplyMaker::randomBytes(std::size_t count)
{
    std::string bytes(count, '\0');
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& c : bytes)
        c = static_cast<char>(byte(m_random));
    return bytes;
}

} // namespace thermosim
