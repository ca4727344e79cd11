// Any text typed or pasted into the port box, or stored as the port setting: the whole-text
// conversion, the leading-number scan, rounding to 16 bits and the selector's choice.
#include "FuzzSupport.h"
#include "ui/PortNumber.h"

#include <cmath>

namespace {

using FuzzSupport::Reader;

void checkRounding(double value)
{
    const auto rounded = PortNumber::toInt16(value);
    if (!std::isfinite(value)) {
        UIQ_CHECK(!rounded);
        return;
    }
    if (!rounded) {
        UIQ_CHECK(value >= 32767.5 || value < -32768.5);
        return;
    }
    const double r = *rounded;
    UIQ_CHECK(std::fabs(r - value) <= 0.5);
    // Halves go to the even neighbour.
    if (std::fabs(r - value) == 0.5)
        UIQ_CHECK(std::fmod(r, 2.0) == 0.0);
}

void checkChoice(const QString& text, int minimum, int maximum)
{
    const auto number = PortNumber::strict(text);
    const PortNumber::Choice choice = PortNumber::choose(text, minimum, maximum);
    if (!number) {
        UIQ_CHECK(choice.kind == PortNumber::Choice::NotANumber);
        return;
    }
    UIQ_CHECK(choice.kind != PortNumber::Choice::NotANumber);
    // The scroll bar runs upside down: its top value stands for port 0.
    const double wanted = maximum - *number;
    const auto rounded = PortNumber::toInt16(wanted);
    const bool inRange = rounded && *rounded >= minimum && *rounded <= maximum;
    if (choice.kind == PortNumber::Choice::Port) {
        UIQ_CHECK(inRange);
        UIQ_CHECK(choice.scrollValue >= minimum && choice.scrollValue <= maximum);
        UIQ_CHECK(std::fabs(choice.scrollValue - wanted) <= 0.5);
    } else {
        UIQ_CHECK(choice.kind == PortNumber::Choice::OutOfRange);
        UIQ_CHECK(!inRange);
    }
}

void checkText(const QString& text, int minimum, int maximum)
{
    const auto number = PortNumber::strict(text);
    const double leading = PortNumber::leading(text);
    UIQ_CHECK(std::isfinite(leading));
    if (number) {
        UIQ_CHECK(std::isfinite(*number));
        // The selector checks the text with one conversion and opens the port with the
        // other, so a number that passes the check must mean the same port to both.
        UIQ_CHECK(leading == *number);
    }
    // Text after a number never changes the number it starts with.
    UIQ_CHECK(PortNumber::leading(text + QStringLiteral("x1")) == leading);
    checkRounding(leading);
    if (number)
        checkRounding(*number);
    checkChoice(text, 0, 5);
    checkChoice(text, minimum, maximum);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Reader in(data, size);
    const double raw = in.take<double>();
    const std::int16_t a = in.take<std::int16_t>();
    const std::int16_t b = in.take<std::int16_t>();
    checkRounding(raw);

    checkText(QString::fromUtf8(bytes), std::min(a, b), std::max(a, b));
    checkText(QString::fromLatin1(bytes), std::min(a, b), std::max(a, b));
    // UTF-16 as it is, lone surrogates and all, as a paste may deliver it.
    checkText(QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2)), std::min(a, b),
              std::max(a, b));
    return 0;
}
