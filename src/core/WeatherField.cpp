#include "core/WeatherField.h"

namespace core {

bool breaksLine(std::string_view field)
{
    return field.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace core
