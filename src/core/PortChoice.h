#pragma once

#include "core/Result.h"

#include <string>
#include <string_view>

// The port selector: a text box holding the COM port number and a scroll bar beside it that
// runs upside down (port = maximum - value), so its up arrow raises the port. A text names a
// port only when the whole of it is a whole number from 0 to the highest COM port a system
// can have; the box, the saved value and the open port then all mean that one number, and so
// does the scroll bar, whose arrows reach the first few ports and whose thumb stays at its
// top for a port past them (USB adapters are numbered COM3 to COM20 and beyond, and Wine
// numbers them after every built-in serial port, up to COM33).
namespace core {

constexpr int kScrollMinimum = 0;
constexpr int kScrollMaximum = 5;
// The box's first text, "1", and the scroll value that stands for it.
constexpr int kScrollFirstValue = kScrollMaximum - 1;
constexpr int kScrollSmallStep = 1;
constexpr int kScrollLargeStep = 2;
// One notch of a mouse wheel, in eighths of a degree.
constexpr int kWheelNotch = 120;
// The first and the highest COM port a system can have.
constexpr int kFirstPort = 1;
constexpr int kHighestPort = 256;

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
    int scrollValue = 0; // for Port only: where the thumb stands for it
    // For Port only: the arrows reach it, so the thumb's place stands for this very port.
    bool onArrows = true;
};

// Reads a port text (UTF-8). Blanks around the number are allowed, and so are other ways
// of writing a whole number ("03", "+3", "3.0", "3e0"); a fraction is not a port number.
PortChoice choosePort(std::string_view text);

// A COM port number a system can have, or why not ("there is no COM0").
Outcome checkPortNumber(int port);

// The port a scroll value stands for, and its text in the box.
int portAt(int scrollValue);
std::string portText(int scrollValue);

} // namespace core
