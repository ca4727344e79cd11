#pragma once

#include <string_view>

// Whether a line the thermometer sent has the shape of its answer: every field whole, and a
// whole temperature where the temperature stands. The thermometer writes its temperature as a
// decimal number with one point ("+21.3", "-05.2"), and that point is the only one in its
// answer: a byte more anywhere before it (a NUL as the line powers up, an echo of the command,
// an acknowledgement glued on, the tail of another answer) moves it out of its place, and a
// byte after it makes the number run on past its field, so a shifted reply can never pass for
// a reading.
namespace core {

enum class AnswerShape
{
    Whole,     // a reading
    Short,     // ends before the end of the temperature field
    Misshapen, // long enough, but no temperature stands in its place
};

// `text` is a line without its line end.
AnswerShape judgeAnswer(std::string_view text);

// Optional blanks, an optional sign, digits, one point, digits: nothing else.
bool isTemperature(std::string_view field);

} // namespace core
