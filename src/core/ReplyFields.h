#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The fields of a thermometer reply, addressed by 1-based character position. A reply that
// ends inside a field yields what is there; one that ends before it yields nothing.
namespace core {

// The weather field: the second line of the weather file.
inline constexpr int kWeatherFirst = 21;
inline constexpr int kWeatherLength = 15;
// The temperature field: shown in the caption, followed by the degree sign and C.
inline constexpr int kTemperatureFirst = 50;
inline constexpr int kTemperatureLength = 5;
// A reading needs every character up to the end of its last field.
inline constexpr std::size_t kWholeFields = kTemperatureFirst + kTemperatureLength - 1;

std::string cutField(const std::string& reply, int firstPosition, int length);

inline std::string temperatureField(const std::string& reply)
{
    return cutField(reply, kTemperatureFirst, kTemperatureLength);
}

inline std::string weatherField(const std::string& reply)
{
    return cutField(reply, kWeatherFirst, kWeatherLength);
}

// A weather field holding CR or LF would split the weather file's second line, and the host
// program would read the rest as a report of its own: such a reply is malformed.
bool breaksLine(std::string_view field);

} // namespace core
