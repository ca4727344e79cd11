#include "core/AnswerShape.h"

#include "core/ReplyFields.h"

namespace core {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips the digits at `at`; false when there are none.
bool skipDigits(std::string_view text, std::size_t& at)
{
    const std::size_t first = at;
    while (at < text.size() && isDigit(text[at]))
        ++at;
    return at > first;
}

} // namespace

bool isTemperature(std::string_view field)
{
    std::size_t at = 0;
    while (at < field.size() && field[at] == ' ')
        ++at;
    if (at < field.size() && (field[at] == '+' || field[at] == '-'))
        ++at;
    if (!skipDigits(field, at) || at >= field.size() || field[at] != '.')
        return false;
    ++at;
    return skipDigits(field, at) && at == field.size();
}

AnswerShape judgeAnswer(std::string_view text)
{
    if (text.size() < kWholeFields)
        return AnswerShape::Short;
    const std::string_view temperature =
        text.substr(std::size_t(kTemperatureFirst - 1), std::size_t(kTemperatureLength));
    // A digit or a point right after the field would make it a piece of a longer number.
    const bool runsOn =
        text.size() > kWholeFields && (isDigit(text[kWholeFields]) || text[kWholeFields] == '.');
    return isTemperature(temperature) && !runsOn ? AnswerShape::Whole : AnswerShape::Misshapen;
}

} // namespace core
