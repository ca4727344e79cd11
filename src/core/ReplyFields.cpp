#include "core/ReplyFields.h"

namespace core {

std::string cutField(const std::string& reply, int firstPosition, int length)
{
    // Widened before the subtraction: position INT_MIN would overflow an int.
    const long long start = static_cast<long long>(firstPosition) - 1;
    if (start < 0 || length <= 0 || start >= static_cast<long long>(reply.size()))
        return {};
    return reply.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length));
}

} // namespace core

namespace core {

bool breaksLine(std::string_view field)
{
    return field.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace core
