#include "core/PortChoice.h"

#include "core/Captions.h"

#include <algorithm>

namespace core {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The parts of a decimal number: its digits without the point, and the power of ten they
// are to be multiplied by.
struct Decimal
{
    bool negative = false;
    std::string digits;
    long exponent = 0;
};

bool parseDecimal(std::string_view text, Decimal& number)
{
    std::size_t at = 0;
    const std::size_t end = text.size();
    if (at < end && (text[at] == '+' || text[at] == '-'))
        number.negative = text[at++] == '-';
    bool anyDigit = false;
    for (; at < end && isDigit(text[at]); ++at, anyDigit = true)
        number.digits += text[at];
    if (at < end && text[at] == '.') {
        for (++at; at < end && isDigit(text[at]); ++at, anyDigit = true) {
            number.digits += text[at];
            --number.exponent;
        }
    }
    if (!anyDigit)
        return false;
    if (at < end && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        bool negativeExponent = false;
        if (at < end && (text[at] == '+' || text[at] == '-'))
            negativeExponent = text[at++] == '-';
        if (at == end || !isDigit(text[at]))
            return false;
        long exponent = 0;
        // Beyond a few digits the number is out of any range that matters; saturate.
        for (; at < end && isDigit(text[at]); ++at)
            exponent = exponent < 100000 ? exponent * 10 + (text[at] - '0') : exponent;
        number.exponent += negativeExponent ? -exponent : exponent;
    }
    return at == end;
}

} // namespace

PortChoice choosePort(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    Decimal number;
    if (!parseDecimal(text, number))
        return {};

    // Digits that the exponent moves behind the point must all be zero.
    std::string digits = number.digits;
    if (number.exponent < 0) {
        const auto behind = static_cast<std::size_t>(-number.exponent);
        const std::size_t whole = digits.size() > behind ? digits.size() - behind : 0;
        if (digits.find_first_not_of('0', whole) != std::string::npos)
            return {};
        digits.resize(whole);
    }
    const std::size_t first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? std::string() : digits.substr(first);
    if (!digits.empty() && number.exponent > 0)
        digits.append(static_cast<std::size_t>(std::min(number.exponent, 8L)), '0');

    PortChoice choice;
    choice.kind = PortChoice::Kind::OutOfRange;
    if (digits.size() > 3 || (number.negative && !digits.empty()))
        return choice;
    const int port = digits.empty() ? 0 : std::stoi(digits);
    if (port > kHighestPort)
        return choice;
    choice.kind = PortChoice::Kind::Port;
    choice.port = port;
    choice.onArrows = port <= portAt(kScrollMinimum);
    choice.scrollValue = std::max(kScrollMaximum - port, kScrollMinimum);
    return choice;
}

Outcome checkPortNumber(int port)
{
    if (port < kFirstPort || port > kHighestPort)
        return Outcome::failure(captions::noSuchPort(port));
    return Done{};
}

int portAt(int scrollValue)
{
    return kScrollMaximum - scrollValue;
}

std::string portText(int scrollValue)
{
    return std::to_string(portAt(scrollValue));
}

} // namespace core
