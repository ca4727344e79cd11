#include "Escapes.h"

namespace thermosim {

core::Result<std::string> unescape(std::string_view text)
{
    return core::unescape(text, core::kSimulatorEscapes);
}

std::string hexBytes(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string result;
    result.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto value = static_cast<unsigned char>(c);
        if (!result.empty())
            result.push_back(' ');
        result.push_back(digits[value >> 4]);
        result.push_back(digits[value & 0x0f]);
    }
    return result;
}

} // namespace thermosim
