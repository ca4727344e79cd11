#pragma once

#include "core/ExchangeMachine.h"
#include "core/Result.h"
#include "core/WeatherText.h"

#include <optional>
#include <string>
#include <string_view>

// What the session asks of each platform, declared once: the serial port, the settings store,
// the weather-file writer, the clock, one wake-up at a time, and the window as a view. The Qt
// program and the Windows program each implement these and nothing of the program's rules.
namespace core {

// The serial line to the thermometer at its fixed line settings (9600 baud, no parity, 8 data
// bits, 2 stop bits) with DTR and RTS raised. Bytes that arrive are handed to the session as
// they come (Session::lineData), and a device that goes away is reported (Session::lineLost).
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    // Closes whatever is open, then opens COM port `port`.
    virtual Outcome open(int port) = 0;
    virtual void close() = 0;
    // Opens COM port `port` again if it is closed (unplugged, or held when it was opened), and
    // follows the port to another device if the system now names another one for it.
    virtual Outcome reopen(int port) = 0;
    virtual Outcome send(std::string_view bytes) = 0;
    // Whether bytes have come that the system holds and has not handed to the session yet;
    // they come through Session::lineData shortly, the one way bytes reach the session.
    virtual bool bytesWaiting() const = 0;
    // The device behind COM port `port`, where the platform maps ports to devices itself;
    // empty where the port is the device.
    virtual std::string device(int port) const = 0;
};

// A stored value: its text, or none (missing, or of another type); or where and why what may
// hold it cannot be read.
using StoredValue = Result<std::optional<std::string>>;

// Two text values under the program's key; every call opens and closes the store.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    virtual StoredValue read(const char* name) const = 0;
    virtual Outcome write(const char* name, const std::string& text) const = 0;
    // Where the values live, for messages.
    virtual std::string location() const = 0;
};

// How far a write got: done, or held up by the host program, which has the file open.
enum class WriteProgress
{
    Written,
    Held,
};
// A write: how far it got, or why it failed.
using WriteAttempt = Result<WriteProgress>;

inline bool isWritten(const WriteAttempt& attempt)
{
    return attempt.ok() && *attempt.value() == WriteProgress::Written;
}
inline bool isHeld(const WriteAttempt& attempt)
{
    return attempt.ok() && *attempt.value() == WriteProgress::Held;
}

// Replaces the weather file whole and at once, or leaves the old one as it was.
class WeatherWriter
{
public:
    virtual ~WeatherWriter() = default;

    virtual WriteAttempt write(const std::string& path, const std::string& contents) = 0;
    // Tries a held write again.
    virtual WriteAttempt retry() = 0;
    // Gives a held write up, and says what held it; the old file stays.
    virtual std::string giveUp() = 0;
};

// The record of every reading and failure (RecordLine.h), a line at a time. A line that cannot
// be written is let go: the record never holds a reading up or changes what it shows.
class Record
{
public:
    virtual ~Record() = default;

    virtual void add(const std::string& line) = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;

    // The wall clock, read once, for the weather file's date line.
    virtual LocalTime localTime() const = 0;
    // A clock that only goes forward, for deadlines and the sampling schedule.
    virtual ExchangeTime now() const = 0;
};

// The platform's one timer: it calls Session::wake() at the time asked, or never.
class Waker
{
public:
    virtual ~Waker() = default;

    virtual void wakeAt(std::optional<ExchangeTime> when) = 0;
};

// The window as the session sees it. Texts the session sets are not changes the user made:
// the window does not report them back.
class View
{
public:
    enum class TextControl
    {
        Text1,
        CPort,
        WXfile,
        Label2,
        Label3,
        Label4,
    };

    virtual ~View() = default;

    virtual void showCaption(const std::string& caption) = 0;
    virtual void showText(TextControl control, const std::string& text) = 0;
    virtual void showScrollValue(int value) = 0;
    // A reading ended: shown, and written to the weather file or not.
    virtual void noteReading(ExchangeForm form, bool wroteFile) = 0;
};

struct Platform
{
    SerialPort& serialPort;
    const SettingsStore& settings;
    WeatherWriter& weatherWriter;
    Record& record;
    const Clock& clock;
    Waker& waker;
    View& view;
};

} // namespace core
