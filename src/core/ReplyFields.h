#pragma once

#include <string>

// The fields of a thermometer reply, addressed by 1-based character position. A reply that
// ends inside a field yields what is there; one that ends before it yields nothing.
namespace core {

std::string cutField(const std::string& reply, int firstPosition, int length);

// Shown in the caption, followed by the degree sign and C.
inline std::string temperatureField(const std::string& reply)
{
    return cutField(reply, 50, 5);
}

// The second line of the weather file.
inline std::string weatherField(const std::string& reply)
{
    return cutField(reply, 21, 15);
}

} // namespace core
