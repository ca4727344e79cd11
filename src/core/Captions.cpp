#include "core/Captions.h"

#include "core/PortChoice.h"

#include <vector>

namespace core::captions {

namespace {

constexpr std::size_t kQuotedCharacters = 40;
constexpr std::size_t kPathHead = 20;
constexpr std::size_t kPathTail = 40;
const char* const kEllipsis = "\u2026";

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
    return "\"" + std::string(typed.substr(0, at)) + kEllipsis + "\"";
}

std::string shownPath(std::string_view path)
{
    std::vector<std::string_view> characters;
    for (std::size_t at = 0; at < path.size();) {
        std::size_t next = at + 1;
        while (next < path.size() && continuesCharacter(path[next]))
            ++next;
        characters.push_back(path.substr(at, next - at));
        at = next;
    }
    const bool cut = characters.size() > kPathHead + kPathTail + 1;
    std::string shown;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        if (cut && i == kPathHead) {
            shown += kEllipsis;
            i = characters.size() - kPathTail;
        }
        const std::string_view character = characters[i];
        const auto first = static_cast<unsigned char>(character.front());
        shown += first < 0x20 || first == 0x7f ? std::string_view("\ufffd") : character;
    }
    return shown;
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
