#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The conversions the port selector makes from the text of the port box.
namespace PortNumber {

// The whole text must be a number (surrounding blanks allowed): "3", "03", "3.0", "+3".
std::optional<double> strict(const QString& text);

// The number the text starts with; the scan stops at the first character that cannot
// continue a number, and a text that starts with none gives 0. "3x" gives 3, "x" gives 0.
double leading(const QString& text);

// Rounds to a 16-bit integer, halves to the even neighbour; nothing when out of range.
std::optional<std::int16_t> toInt16(double value);

// What a port text asks the selector to do, given the scroll bar's range.
struct Choice
{
    enum Kind
    {
        Port,
        NotANumber,
        OutOfRange
    } kind;
    std::int16_t scrollValue; // meaningful for Port only
};
Choice choose(const QString& text, int scrollMinimum, int scrollMaximum);

} // namespace PortNumber
