#pragma once

#include <string>
#include <string_view>

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

// A weather field holding CR or LF would split the weather file's second line, and the host
// program would read the rest as a report of its own: such a reply is malformed.
bool breaksLine(std::string_view field);

} // namespace core
