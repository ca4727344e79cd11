#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>

namespace thermosim {

// Builds the thermometer's answer lines. Readings wander a little from one reply to the next,
// like a real sensor, so a client that keeps showing an old value can be caught.
class ReplyMaker
{
public:
    static constexpr std::size_t kLength = 56;

    explicit ReplyMaker(std::uint64_t seed);

    std::string next();
    // A reply that names the command it answers, so a check can tell answers apart:
    // characters 21-35 "W" and the number in 14 digits, 50-54 "T" and the number modulo 10000.
    std::string numbered(std::uint64_t command);
    std::string randomBytes(std::size_t count);

private:
    void wander();

    std::mt19937_64 m_random;
    unsigned m_sequence = 0;
    int m_tenthsCelsius = 0;
    int m_windDirection = 0;
    int m_windSpeed = 0;
};

} // namespace thermosim
