#include "core/PathRules.h"

#include "core/Captions.h"

#include <array>
#include <string>
#include <vector>

namespace core {

namespace {

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i]))
            return false;
    }
    return true;
}

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Windows also takes COM and LPT with a superscript one, two or three as devices.
bool isPortDigit(std::string_view digit)
{
    if (digit.size() == 1)
        return digit[0] >= '1' && digit[0] <= '9';
    return digit == "\xc2\xb9" || digit == "\xc2\xb2" || digit == "\xc2\xb3";
}

bool isDeviceName(std::string_view base)
{
    static const std::array<std::string_view, 6> plain = {"NUL", "CON",    "PRN",
                                                          "AUX", "CONIN$", "CONOUT$"};
    for (std::string_view name : plain) {
        if (sameIgnoringCase(base, name))
            return true;
    }
    if (base.size() < 4)
        return false;
    const std::string_view stem = base.substr(0, 3);
    return (sameIgnoringCase(stem, "COM") || sameIgnoringCase(stem, "LPT")) &&
           isPortDigit(base.substr(3));
}

} // namespace

Outcome refuseBlankPath(std::string_view path)
{
    if (path.find_first_not_of(" \t\n\v\f\r") == std::string_view::npos)
        return Outcome::failure(captions::noPathSet());
    return Done{};
}

Outcome refuseControlCharacters(std::string_view path)
{
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        unsigned code = 0x100;
        if (byte < 0x20 || byte == 0x7f)
            code = byte;
        else if (byte == 0xc2 && i + 1 < path.size()) {
            const auto next = static_cast<unsigned char>(path[i + 1]);
            if (next >= 0x80 && next <= 0x9f)
                code = next;
        }
        if (code <= 0xff)
            return Outcome::failure(captions::pathHoldsControlCharacter(code));
    }
    return Done{};
}

Outcome refuseWindowsDevices(std::string_view path)
{
    // "\\.\", "\\?\" and the kernel's own "\??\" reach devices past the file system.
    const bool devicePrefix = path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[3]) &&
                              ((isSeparator(path[1]) && (path[2] == '.' || path[2] == '?')) ||
                               (path[1] == '?' && path[2] == '?'));
    if (devicePrefix)
        return Outcome::failure(captions::windowsDevicePath(path.substr(0, 4)));

    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (isSeparator(path[i]) || (i == 1 && path[i] == ':'))
            start = i + 1;
    }
    const std::string_view name = path.substr(start);
    // Windows ignores an extension, a colon and trailing spaces when it looks for a device.
    std::string_view base = name.substr(0, name.find_first_of(".:"));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    if (isDeviceName(base))
        return Outcome::failure(captions::windowsDeviceName(base));
    return Done{};
}

Outcome checkPathText(std::string_view path)
{
    if (Outcome blank = refuseBlankPath(path); !blank.ok())
        return blank;
    return refuseControlCharacters(path);
}

Result<DrivePath> readDrivePath(std::string_view path)
{
    if (Outcome checked = checkPathText(path); !checked.ok())
        return Result<DrivePath>::failure(checked.reason());
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const bool hasDrive = path.size() >= 2 && isLetter(path[0]) && path[1] == ':';
    if (!hasDrive || path.size() < 3 || (path[2] != '\\' && path[2] != '/')) {
        // A Windows-style name here would become a file with backslashes in its name.
        if (hasDrive || path.find('\\') != std::string_view::npos)
            return Result<DrivePath>::failure(captions::notAPathHere());
        return DrivePath{{}, std::string(path)};
    }
    // The names after the drive, without empty ones and ".", each ".." taking the one before
    // it away but never leaving the drive.
    std::vector<std::string_view> names;
    for (std::string_view rest = path.substr(3); !rest.empty();) {
        const std::size_t end = rest.find_first_of("\\/");
        const std::string_view name = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    DrivePath drive;
    drive.drive = std::string(1, char(path[0] | 0x20));
    for (const std::string_view name : names)
        drive.rest += "/" + std::string(name);
    if (drive.rest.empty())
        drive.rest = "/";
    // Wine, like Windows, opens a device for a name such as NUL.txt on a drive.
    if (Outcome device = refuseWindowsDevices(drive.rest); !device.ok())
        return Result<DrivePath>::failure(device.reason());
    return drive;
}

bool mayFollowLink(const LinkOwners& owners)
{
    return owners.link == owners.me || !owners.folderShared || owners.link == owners.folder;
}

Outcome acceptTarget(captions::EntryKind kind, std::string_view shownTarget, bool pathItself)
{
    if (kind == captions::EntryKind::File)
        return Done{};
    return Outcome::failure(pathItself ? captions::notAFile(kind)
                                       : captions::leadsToNotAFile(shownTarget, kind));
}

WriteMethod chooseWriteMethod(bool folderWritable, bool fileWritable)
{
    return !folderWritable && fileWritable ? WriteMethod::InPlace : WriteMethod::Replace;
}

bool mayReplaceFile(bool fileWritable)
{
    return fileWritable;
}

} // namespace core
