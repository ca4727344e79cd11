#include "core/FontFit.h"

#include <algorithm>

namespace core {

bool fontFits(const TextMeasure& measure, const std::vector<FontBox>& boxes)
{
    for (const FontBox& box : boxes) {
        int widest = 0;
        for (const std::string& line : box.lines)
            widest = std::max(widest, measure.width(line));
        const int height = measure.lineHeight * int(box.lines.size());
        if (widest + box.paddingWidth > box.width || height + box.paddingHeight > box.height)
            return false;
    }
    return true;
}

double largestFittingPoints(const std::vector<FontBox>& boxes, double ceilingPoints,
                            const std::function<TextMeasure(double points)>& measureAt)
{
    for (double points = ceilingPoints; points > kSmallestFontPoints; points -= kFontStepPoints) {
        if (fontFits(measureAt(points), boxes))
            return points;
    }
    return kSmallestFontPoints;
}

} // namespace core
