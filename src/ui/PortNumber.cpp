#include "ui/PortNumber.h"

#include <QLocale>
#include <cmath>

namespace PortNumber {

std::optional<double> strict(const QString& text)
{
    // With group separators "0,005" would be 5 here but 0 to leading(), which opens the port.
    QLocale numbers = QLocale::c();
    numbers.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = numbers.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double leading(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto isDigit = [&](qsizetype at) { return at < n && text[at].isDigit() && text[at] < u'\x80'; };
    // The blanks strict() trims, so a text both accept means one port to both.
    while (i < n && text[i].isSpace())
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype end = start;
    while (isDigit(i))
        end = ++i;
    if (i < n && text[i] == u'.') {
        ++i;
        while (isDigit(i))
            end = ++i;
    }
    if (end == start)
        return 0;
    // An exponent counts only when digits follow it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (isDigit(j)) {
            while (isDigit(j))
                ++j;
            end = j;
        }
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(text.mid(start, end - start), &ok);
    return ok && std::isfinite(value) ? value : 0;
}

std::optional<std::int16_t> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // the default rounding sends halves to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

Choice choose(const QString& text, int scrollMinimum, int scrollMaximum)
{
    const auto number = strict(text);
    if (!number)
        return {Choice::NotANumber, 0};
    const auto scrollValue = toInt16(scrollMaximum - *number);
    if (!scrollValue || *scrollValue < scrollMinimum || *scrollValue > scrollMaximum)
        return {Choice::OutOfRange, 0};
    return {Choice::Port, *scrollValue};
}

} // namespace PortNumber
