#include "core/Captions.h"

#include "core/Identity.h"
#include "core/LineSettings.h"
#include "core/PortChoice.h"
#include "core/RecordLine.h"
#include "core/ReplyFields.h"
#include "core/Settings.h"
#include "core/TickCounter.h"

#include <cstdio>
#include <iterator>

namespace core::captions {

namespace {

constexpr std::size_t kQuotedCharacters = 40;
constexpr std::size_t kPathHead = 20;
constexpr std::size_t kPathTail = 40;
const char* const kEllipsis = "\u2026";
const char* const kDash = " \u2013 ";
const char* const kDegreesCelsius = "\u00b0C";

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

// "seventh": the counts the window's schedule uses, as words.
std::string ordinal(int count)
{
    static const char* const kOrdinals[] = {"",      "first", "second",  "third",  "fourth",
                                            "fifth", "sixth", "seventh", "eighth", "ninth"};
    if (count > 0 && count < int(std::size(kOrdinals)))
        return kOrdinals[count];
    return std::to_string(count) + "th";
}

std::string portRange()
{
    return "from " + std::to_string(kFirstPort) + " to " + std::to_string(kHighestPort);
}

std::string kindName(EntryKind kind)
{
    switch (kind) {
    case EntryKind::File:
        return "a file";
    case EntryKind::Folder:
        return "a folder";
    case EntryKind::NamedPipe:
        return "a named pipe (FIFO)";
    case EntryKind::Device:
        return "a device";
    case EntryKind::Socket:
        return "a socket";
    case EntryKind::Unknown:
        break;
    }
    return "an entry of an unknown kind";
}

std::string characterName(unsigned code)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "U+%04X", code);
    switch (code) {
    case 0x00:
        return std::string("NUL, ") + hex;
    case 0x09:
        return std::string("tab, ") + hex;
    case 0x0a:
        return std::string("line feed, ") + hex;
    case 0x0d:
        return std::string("carriage return, ") + hex;
    default:
        return hex;
    }
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

std::string portName(int port, std::string_view device)
{
    const std::string name = "COM" + std::to_string(port);
    return device.empty() ? name : name + " (" + std::string(device) + ")";
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

std::string latin1ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xc0 | (code >> 6));
            text += static_cast<char>(0x80 | (code & 0x3f));
        }
    }
    return text;
}

// ---- The port selector ----

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

std::string cannotBeOpened(const std::string& port, std::string_view reason)
{
    return port + " cannot be opened: " + std::string(reason);
}

// ---- Readings and the exchange ----

std::string reading(const std::string& temperatureField)
{
    return latin1ToUtf8(temperatureField) + kDegreesCelsius;
}

std::string oneShot(const std::string& temperatureField)
{
    return "One shot " + reading(temperatureField);
}

std::string stoppedWithReading(const std::string& temperatureField)
{
    return stopped() + kDash + "last reading " + reading(temperatureField);
}

std::string stoppedWith(const std::string& caption)
{
    return stopped() + kDash + caption;
}

std::string withFileError(const std::string& caption, std::string_view path,
                          std::string_view reason)
{
    return caption + kDash + "cannot write " + shownPath(path) + ": " + std::string(reason);
}

std::string malformed(const std::string& port)
{
    return "The thermometer's reply on " + port +
           " was malformed; the weather file was not written";
}

std::string notOpen(const std::string& port, std::string_view reason)
{
    return port + " is not open: " + std::string(reason);
}

std::string lost(const std::string& port, std::string_view reason)
{
    return port + " was lost: " + std::string(reason);
}

std::string noAnswer(const std::string& port)
{
    return "The thermometer did not answer on " + port;
}

std::string exchangeFailed(const ExchangeStep& step, const std::string& port)
{
    const std::string heard = std::to_string(step.heard);
    switch (step.outcome) {
    case ExchangeOutcome::PartAnswer:
        return step.heard < kWholeFields
                   ? port + " answered only " + heard + " characters"
                   : port + " answered " + heard + " characters without ending its line";
    case ExchangeOutcome::TooLong:
        return port + " sent more than " + std::to_string(kMaxReplyBytes) +
               " characters without a line end";
    case ExchangeOutcome::Misshapen:
        if (step.answerLength > 0 && step.answerLength != step.heard)
            return port + " answered " + heard + " characters where its answers have " +
                   std::to_string(step.answerLength);
        return port + " answered " + heard + " characters with no temperature at characters " +
               std::to_string(kTemperatureFirst) + " to " +
               std::to_string(kTemperatureFirst + kTemperatureLength - 1);
    case ExchangeOutcome::LineBusy:
        return "The line on " + port +
               " is busy: it did not fall quiet, so the thermometer was not asked";
    case ExchangeOutcome::NoAnswer:
    case ExchangeOutcome::None:
    case ExchangeOutcome::Replied:
    case ExchangeOutcome::Abandoned:
        break;
    }
    return noAnswer(port);
}

std::string readingEndedByPortChange(const std::string& port)
{
    return "The reading on " + port + " was given up: the port was changed or closed";
}

std::string withLastReading(const std::string& caption, std::string_view when)
{
    return caption + "; last reading " + std::string(when);
}

std::string recordedWrite(const std::string& reading, bool written, std::string_view path,
                          std::string_view reason)
{
    return written ? reading + ", written to " + std::string(path)
                   : reading + ", not written to " + std::string(path) + ": " + std::string(reason);
}

std::string recordedFailure(const std::string& caption)
{
    return "no reading: " + caption;
}

// ---- Settings ----

std::string pathNotSaved(std::string_view location)
{
    return "The path cannot be saved in " + std::string(location);
}

std::string portNotSaved(std::string_view location)
{
    return "The port cannot be saved in " + std::string(location);
}

std::string settingsNotSaved(bool isStarted, std::string_view location)
{
    return (isStarted ? started() : stopped()) + kDash + "settings cannot be saved in " +
           std::string(location);
}

std::string cannotBeRead(const std::vector<std::string>& names, std::string_view where)
{
    std::string joined;
    for (std::size_t i = 0; i < names.size(); ++i)
        joined += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return joined + " cannot be read: " + std::string(where);
}

std::string pathLongerThanBox(std::size_t characters)
{
    return "The stored path is longer than the path box holds (" + std::to_string(characters) +
           " characters); it stays as stored";
}

std::string startUp(const std::vector<std::string>& problems, bool settingsUnsaved,
                    std::string_view location)
{
    if (problems.empty())
        return settingsUnsaved ? settingsNotSaved(false, location) : stopped();
    std::string joined;
    for (const std::string& problem : problems)
        joined += (joined.empty() ? "" : kDash) + problem;
    return joined;
}

std::string unreadableLine(int number, std::string_view file, std::string_view problem)
{
    return "line " + std::to_string(number) + " of " + std::string(file) + " " +
           std::string(problem);
}

std::string lineNotUtf8()
{
    return "is not valid UTF-8";
}

std::string lineHoldsControlCharacter()
{
    return "holds a control character";
}

std::string groupNotClosed()
{
    return "opens a group without its closing \"]\"";
}

std::string lineWithoutEquals()
{
    return "has no \"=\"";
}

std::string lineWithoutName()
{
    return "has no name before \"=\"";
}

std::string damagedValue(std::string_view marker)
{
    return "holds a damaged " + std::string(marker) + " value";
}

std::string storeUnreadable(std::string_view location, std::string_view reason)
{
    return std::string(location) + ": " + std::string(reason);
}

std::string systemError(unsigned long code)
{
    return "error " + std::to_string(code);
}

// ---- Why a port cannot be used ----

std::string noSuchPort(int port)
{
    return "there is no " + portName(port);
}

std::string noDeviceBehind(int port)
{
    return "there is no device behind " + portName(port);
}

std::string portInUse()
{
    return "it is in use by another program, or access is denied";
}

std::string portRefusedToUser()
{
    return "access is denied; you may need to be in the dialout group";
}

std::string lineSettingsRefused()
{
    return "the line settings " + lineSettingsText() + " are refused";
}

std::string deviceStoppedAnswering()
{
    return "the device stopped answering";
}

std::string lineClosed()
{
    return "the line is closed";
}

std::string commandNotTaken()
{
    return "the line did not take the command in time";
}

// ---- Why the weather file cannot be written ----

std::string noPathSet()
{
    return "no path is set";
}

std::string pathHoldsControlCharacter(unsigned code)
{
    return "the path holds a control character (" + characterName(code) + ")";
}

std::string windowsDevicePath(std::string_view prefix)
{
    return "\"" + std::string(prefix) + "\" names a Windows device, not a file";
}

std::string windowsDeviceName(std::string_view name)
{
    return "\"" + std::string(name) + "\" is the name of a Windows device, not a file";
}

std::string notAPathHere()
{
    return "not a path this system can write";
}

std::string driveNotMapped(std::string_view drive, std::string_view root)
{
    return "drive " + std::string(drive) + " is not mapped (" + std::string(root) + " is missing)";
}

std::string notAFile(EntryKind kind)
{
    return "it is " + kindName(kind) + ", not a file";
}

std::string leadsToNotAFile(std::string_view target, EntryKind kind)
{
    return "it leads to " + std::string(target) + ", which is " + kindName(kind) + ", not a file";
}

std::string notAFolder(std::string_view path, EntryKind kind)
{
    return std::string(path) + " is " + kindName(kind) + ", not a folder";
}

std::string folderMissing(std::string_view folder)
{
    return "the folder " + std::string(folder) + " does not exist";
}

std::string unreachable(std::string_view path, std::string_view reason)
{
    return std::string(path) + " cannot be reached: " + std::string(reason);
}

std::string linkOfAnotherUser(std::string_view link, long uid)
{
    return (link.empty() ? std::string("it") : std::string(link)) +
           " is a link that another user (uid " + std::to_string(uid) +
           ") made in a shared folder; it is not followed";
}

std::string tooManyLinks(int most)
{
    return "it leads through more than " + std::to_string(most) + " links";
}

std::string linkUnreadable(std::string_view link)
{
    return "the link " + std::string(link) + " cannot be read";
}

std::string diskFull()
{
    return "the disk is full";
}

std::string noWriteWaiting()
{
    return "no write was waiting to be tried again";
}

// ---- Escapes in a text ----

std::string lastBackslash()
{
    return "text ends with a lone backslash";
}

std::string hexDigitsNeeded(int digits)
{
    return "\\x needs exactly " + std::string(digits == 2 ? "two" : std::to_string(digits)) +
           " hex digits";
}

std::string unknownEscape(char letter)
{
    return std::string("unknown escape \\") + letter;
}

// ---- The program itself ----

std::string needsDisplay()
{
    return "UiQuorvix needs a display to show its window: DISPLAY and WAYLAND_DISPLAY are both "
           "unset.";
}

std::string windowNotMade(std::string_view reason)
{
    return std::string(kProgramName) + " could not make its window: " + std::string(reason);
}

std::string helpText(bool windows)
{
    // Windows users also write options the Windows way.
    const std::string start = windows ? "--start, /start" : "--start";
    const std::string help = windows ? "--help, /?" : "--help";
    const std::string version = windows ? "--version, /version" : "--version";
    // The longest name, "--version, /version", and two blanks after it.
    constexpr std::size_t column = 21;
    const auto option = [](const std::string& name, const std::string& meaning) {
        const std::size_t pad = name.size() < column ? column - name.size() : 1;
        return "  " + name + std::string(pad, ' ') + meaning + "\n";
    };
    std::string text =
        "Usage: " + std::string(windows ? "UiQuorvix.exe [/start]" : "UiQuorvix [--start]") +
        "\n"
        "Reads a thermometer on a serial port and keeps the weather file of UI-View32 fresh:\n"
        "the temperature every " +
        std::to_string(kTickIntervalMs / 1000) +
        " seconds in the window's caption, the file every " + ordinal(kTicksPerWrite) +
        "\nreading (" + std::to_string(kTicksPerWrite * kTickIntervalMs / 1000) +
        " seconds) and at OneShot.\n\nOptions:\n";
    text += option(start, "start sampling at once, as if Start were pressed");
    text += option("", "(for a program started with the computer)");
    text += option(help, "show this text");
    text += option(version, "show the program's version");
    if (windows)
        text += "Options may be written in any case (/START).\n";
    // Only what a user may set: the Windows program reads no variable of a user's, and the
    // ones that scripts and tests set are for the manual page, not for a user's first look.
    if (!windows) {
        text += "\nEnvironment:\n";
        text += option("WINEPREFIX", "the Wine prefix whose COM ports and drives are used");
        text += option("", "(default ~/.wine)");
        text += option("XDG_CONFIG_HOME", std::string("where ") + kOrganisation + "/" +
                                              kApplication + ".conf, the settings, lives");
        text += option("", "(default ~/.config)");
        text += option("XDG_STATE_HOME", "where the record of readings lives (default");
        text += option("", "~/.local/state)");
    }
    const std::string record =
        windows ? std::string("%LOCALAPPDATA%\\") + kOrganisation + "\\" + kApplication + "\\" +
                      kRecordFileName
                : std::string("$XDG_STATE_HOME/") + kOrganisation + "/" + kRecordFileName;
    text += "\nEvery reading and every failure is recorded, a line each with its date and time,\n"
            "in " +
            record + "; the file before it is kept as " + kRecordFileName + kOlderRecordSuffix +
            ".\n";
    return text;
}

std::string versionText()
{
    return std::string(kProgramName) + " " + kProgramVersion + " \u2013 " + kProgramDescription;
}

std::string unknownArgument(std::string_view argument, bool windows)
{
    return quoted(argument) + " is not an option of UiQuorvix; " + (windows ? "/?" : "--help") +
           " lists them";
}

} // namespace core::captions
