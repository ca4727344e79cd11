#pragma once

#include <string>
#include <string_view>

// The port selector: a text box holding the COM port number and a scroll bar beside it that
// runs upside down (port = maximum - value), so its up arrow raises the port. A text names a
// port only when the whole of it is a whole number the arrows can reach; the box, the scroll
// bar, the saved value and the open port then all mean that one number.
namespace core {

constexpr int kScrollMinimum = 0;
constexpr int kScrollMaximum = 5;
// The box's first text, "1", and the scroll value that stands for it.
constexpr int kScrollFirstValue = kScrollMaximum - 1;
constexpr int kScrollSmallStep = 1;
constexpr int kScrollLargeStep = 2;

// The thermometer's line, set on every port change: 9600 baud, no parity, 8 data bits and 2
// stop bits.
constexpr long kLineBaud = 9600;
constexpr int kLineDataBits = 8;
constexpr int kLineStopBits = 2;
// The line settings as the serial control writes them: "9600,n,8,2".
std::string lineSettingsText();
// The most the program holds of what the line sent and it has not read: a device that floods
// the line cannot make it grow; the rest waits in the system's own buffer.
constexpr int kReceiveBufferBytes = 1024;

struct PortChoice
{
    enum class Kind
    {
        Port,
        NotANumber,
        OutOfRange,
    };
    Kind kind = Kind::NotANumber;
    int port = 0;        // for Port only
    int scrollValue = 0; // for Port only
};

// Reads a port text (UTF-8). Blanks around the number are allowed, and so are other ways
// of writing a whole number ("03", "+3", "3.0", "3e0"); a fraction is not a port number.
PortChoice choosePort(std::string_view text);

// The port a scroll value stands for, and its text in the box.
int portAt(int scrollValue);
std::string portText(int scrollValue);

} // namespace core
