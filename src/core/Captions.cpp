#include "core/Captions.h"

#include "core/PortChoice.h"

namespace core::captions {

namespace {

constexpr std::size_t kQuotedCharacters = 40;

bool continuesCharacter(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

std::string portRange()
{
    return "from " + std::to_string(portAt(kScrollMaximum)) + " to " +
           std::to_string(portAt(kScrollMinimum));
}

} // namespace

std::string stopped()
{
    return "Stopped";
}

std::string started()
{
    return "Started";
}

std::string portName(int port)
{
    return "COM" + std::to_string(port);
}

std::string quoted(std::string_view typed)
{
    std::size_t characters = 0;
    std::size_t at = 0;
    for (; at < typed.size(); ++at) {
        if (!continuesCharacter(typed[at]) && characters++ == kQuotedCharacters)
            break;
    }
    if (at == typed.size())
        return "\"" + std::string(typed) + "\"";
    return "\"" + std::string(typed.substr(0, at)) + "\u2026\"";
}

std::string notAPortNumber(std::string_view typed)
{
    return quoted(typed) + " is not a port number";
}

std::string storedPortNotANumber(std::string_view stored)
{
    return "The stored port " + quoted(stored) + " is not a port number";
}

std::string portOutOfRange()
{
    return "Choose a port " + portRange();
}

std::string noPortChosen()
{
    return "No port is chosen: type a port number " + portRange();
}

std::string cannotBeOpened(int port, std::string_view reason)
{
    return portName(port) + " cannot be opened: " + std::string(reason);
}

} // namespace core::captions
