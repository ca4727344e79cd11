#include "reply.h"

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

ReplyMaker::ReplyMaker(std::uint64_t seed) : random_(seed)
{
    tenthsCelsius_ = std::uniform_int_distribution<int>(150, 260)(random_);
    windDirection_ = std::uniform_int_distribution<int>(0, 359)(random_);
    windSpeed_ = std::uniform_int_distribution<int>(0, 12)(random_);
}

void ReplyMaker::wander()
{
    // Never a zero step: consecutive replies always differ, which tests rely on.
    const int step = std::uniform_int_distribution<int>(1, 3)(random_);
    const bool up = std::bernoulli_distribution(0.5)(random_);
    int next = tenthsCelsius_ + (up ? step : -step);
    if (next > kMaxTenths || next < kMinTenths)
        next = tenthsCelsius_ + (up ? -step : step);
    tenthsCelsius_ = next;

    windDirection_ =
        (windDirection_ + std::uniform_int_distribution<int>(-10, 10)(random_) + 360) % 360;
    windSpeed_ = std::clamp(windSpeed_ + std::uniform_int_distribution<int>(-1, 1)(random_), 0, 60);
}

std::string ReplyMaker::next()
{
    if (sequence_ > 0)
        wander();
    sequence_ = (sequence_ + 1) % 1000000;
    const int gust = windSpeed_ + std::uniform_int_distribution<int>(0, 5)(random_);

    char text[128];
    const int written = std::snprintf(
        text, sizeof text, "QVX1 %06u%9s%03d/%03dg%03dt%03d r000p000P000 %+05.1f\r\n", sequence_,
        "", windDirection_, windSpeed_, gust, fahrenheit(tenthsCelsius_), tenthsCelsius_ / 10.0);
    return std::string(text, static_cast<std::size_t>(std::clamp(written, 0, int(kLength))));
}

std::string ReplyMaker::randomBytes(std::size_t count)
{
    std::string bytes(count, '\0');
    std::uniform_int_distribution<int> byte(0, 255);
    for (auto& c : bytes)
        c = static_cast<char>(byte(random_));
    return bytes;
}

} // namespace thermosim
