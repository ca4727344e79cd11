#include "core/LineSettings.h"

namespace core {

std::string lineSettingsText()
{
    return std::to_string(kLineBaud) + ",n," + std::to_string(kLineDataBits) + "," +
           std::to_string(kLineStopBits);
}

} // namespace core
