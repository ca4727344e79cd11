#pragma once

#include "core/ExchangeMachine.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Every text either program shows or prints, in UTF-8: the captions of the status line and the
// reasons inside them. Both programs say the same words for the same fault, and a reader finds
// each text here once. Only a system's own error message comes from elsewhere.
namespace core::captions {

// ---- The state ----
std::string stopped();
std::string started();

// ---- Names and quotes ----

// "COM3", or "COM3 (/dev/ttyS2)" where the platform knows the device behind the port.
std::string portName(int port, std::string_view device = {});
// Text the user typed, in quotes, cut to a few dozen characters so that a pasted page never
// becomes the caption (the window would redraw it on every key).
std::string quoted(std::string_view typed);
// A path as a caption shows it: control characters as U+FFFD, and a long path cut in the
// middle, keeping its start and the file's name.
std::string shownPath(std::string_view path);
// The device's bytes as text: each byte is the Latin-1 character of that code.
std::string latin1ToUtf8(std::string_view bytes);

// ---- The port selector ----
std::string notAPortNumber(std::string_view typed);
std::string storedPortNotANumber(std::string_view stored);
std::string portOutOfRange();
std::string noPortChosen();
std::string cannotBeOpened(const std::string& port, std::string_view reason);

// ---- Readings and the exchange ----

// A reading: the temperature field as it came, then "°C".
std::string reading(const std::string& temperatureField);
std::string oneShot(const std::string& temperatureField);
// A tick's reading or failure that ended after Stop: sampling is off, and the caption says so.
std::string stoppedWithReading(const std::string& temperatureField);
std::string stoppedWith(const std::string& caption);
// A reading whose weather file could not be written keeps saying so.
std::string withFileError(const std::string& caption, std::string_view path,
                          std::string_view reason);
// The reply's weather field would split the file's lines, so the file was not written.
std::string malformed(const std::string& port);
std::string notOpen(const std::string& port, std::string_view reason);
std::string lost(const std::string& port, std::string_view reason);
std::string noAnswer(const std::string& port);
// Why an exchange that ended without a reply (any outcome but Replied and Abandoned) gave none.
std::string exchangeFailed(const ExchangeStep& step, const std::string& port);
// The port was changed or closed while it was being read.
std::string readingEndedByPortChange(const std::string& port);
// A failure after a reading says when the last reading came ("14:02").
std::string withLastReading(const std::string& caption, std::string_view when);
// What the record says of a reading and its weather file, and of a failure.
std::string recordedWrite(const std::string& reading, bool written, std::string_view path,
                          std::string_view reason);
std::string recordedFailure(const std::string& caption);

// ---- Settings ----
std::string pathNotSaved(std::string_view location);
std::string portNotSaved(std::string_view location);
std::string settingsNotSaved(bool isStarted, std::string_view location);
// Stored values that start-up could not read ("WXPath", or "WXPath and CPort" on one line).
std::string cannotBeRead(const std::vector<std::string>& names, std::string_view where);
std::string pathLongerThanBox(std::size_t characters);
// The caption start-up leaves: every problem it met, else the news that the settings could
// not be saved, else "Stopped".
std::string startUp(const std::vector<std::string>& problems, bool settingsUnsaved,
                    std::string_view location);

// Where a settings line that cannot be read stands and why: "line 3 of FILE is not valid UTF-8".
std::string unreadableLine(int number, std::string_view file, std::string_view problem);
std::string lineNotUtf8();
std::string lineHoldsControlCharacter();
std::string groupNotClosed();
std::string lineWithoutEquals();
std::string lineWithoutName();
std::string damagedValue(std::string_view marker);

// A store's place and the system's reason it cannot be read: "LOCATION: REASON".
std::string storeUnreadable(std::string_view location, std::string_view reason);
// A system error with no words of its own.
std::string systemError(unsigned long code);

// ---- Why a port cannot be used ----
std::string noSuchPort(int port);
// The port is named, but the device it names is not there (unplugged, or renamed at boot).
std::string noDeviceBehind(int port);
std::string portInUse();
// On Linux, where the device refuses the user: the usual cure.
std::string portRefusedToUser();
std::string lineSettingsRefused();
std::string deviceStoppedAnswering();
std::string commandNotTaken();
std::string lineClosed();

// ---- Why the weather file cannot be written ----
std::string noPathSet();
std::string pathHoldsControlCharacter(unsigned code);
std::string windowsDevicePath(std::string_view prefix);
std::string windowsDeviceName(std::string_view name);
std::string notAPathHere();
std::string driveNotMapped(std::string_view drive, std::string_view root);

// What stands at a path, for the reasons below.
enum class EntryKind
{
    File,
    Folder,
    NamedPipe,
    Device,
    Socket,
    Unknown,
};
std::string notAFile(EntryKind kind);
std::string leadsToNotAFile(std::string_view target, EntryKind kind);
std::string notAFolder(std::string_view path, EntryKind kind);
std::string folderMissing(std::string_view folder);
std::string unreachable(std::string_view path, std::string_view reason);
// A link that another user made in a shared folder; `link` empty when it is the path itself.
std::string linkOfAnotherUser(std::string_view link, long uid);
std::string tooManyLinks(int most);
std::string linkUnreadable(std::string_view link);
std::string diskFull();
// A retry asked for when no write was waiting.
std::string noWriteWaiting();

// ---- Escapes in a text ----
std::string lastBackslash();
std::string hexDigitsNeeded(int digits);
std::string unknownEscape(char letter);

// ---- The program itself ----
std::string needsDisplay();
std::string windowNotMade(std::string_view reason);
// What --help shows; the Windows program names its own options and the Windows way of
// writing them.
std::string helpText(bool windows);
// What --version shows: the program's name, version and description.
std::string versionText();
// Names the way of asking for help that the program's users write.
std::string unknownArgument(std::string_view argument, bool windows);

} // namespace core::captions
