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

// UTF-8 text as characters of at most four bytes each; in text that is not UTF-8, a byte
// that belongs to no character counts as one of its own, so no count runs away.
std::vector<std::string_view> splitCharacters(std::string_view text)
{
    std::vector<std::string_view> characters;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t next = at + 1;
        while (next < text.size() && next - at < 4 && continuesCharacter(text[next]))
            ++next;
        characters.push_back(text.substr(at, next - at));
        at = next;
    }
    return characters;
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
    const std::vector<std::string_view> characters = splitCharacters(typed);
    if (characters.size() <= kQuotedCharacters)
        return "\"" + std::string(typed) + "\"";
    std::string shown = "\"";
    for (std::size_t i = 0; i < kQuotedCharacters; ++i)
        shown += characters[i];
    return shown + kEllipsis + "\"";
}

std::string shownPath(std::string_view path)
{
    const std::vector<std::string_view> characters = splitCharacters(path);
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
