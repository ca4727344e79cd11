#pragma once

#include <functional>
#include <string>
#include <vector>

// The window was laid out for a small 8-point interface font. Where the platform's font would
// not fit the fixed control sizes (Wine without its own fonts, a large system font), a smaller
// size is taken, so that no text is clipped or wrapped. Each platform measures; the rule of
// which size to take is this one.
namespace core {

// Lines of text (UTF-8) that must be readable in full inside a box, with padding around them;
// all in pixels.
struct FontBox
{
    std::vector<std::string> lines;
    int width = 0;
    int height = 0;
    int paddingWidth = 0;
    int paddingHeight = 0;
};

// How a platform's font at one size measures text: a line's width and a line's height.
struct TextMeasure
{
    std::function<int(const std::string&)> width;
    int lineHeight = 0;
};

inline constexpr double kSmallestFontPoints = 5.0;
inline constexpr double kFontStepPoints = 0.5;

bool fontFits(const TextMeasure& measure, const std::vector<FontBox>& boxes);

// The largest size from ceilingPoints down to kSmallestFontPoints, in half points, at which
// every box fits; the smallest when none does.
double largestFittingPoints(const std::vector<FontBox>& boxes, double ceilingPoints,
                            const std::function<TextMeasure(double points)>& measureAt);

} // namespace core
