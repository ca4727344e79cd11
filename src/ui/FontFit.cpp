#include "ui/FontFit.h"

#include <QFontMetrics>

namespace FontFit {

namespace {
constexpr qreal kFloorPoints = 5.0;
constexpr qreal kStepPoints = 0.5;
} // namespace

bool fits(const QFont& font, const QList<Box>& boxes)
{
    const QFontMetrics metrics(font);
    for (const Box& box : boxes) {
        int widest = 0;
        for (const QString& line : box.lines)
            widest = std::max(widest, metrics.horizontalAdvance(line));
        const int height = metrics.height() * int(box.lines.size());
        if (widest + box.padding.width() > box.size.width() ||
            height + box.padding.height() > box.size.height())
            return false;
    }
    return true;
}

QFont largestFitting(QFont font, const QList<Box>& boxes, qreal ceilingPoints)
{
    qreal size = std::min(font.pointSizeF() > 0 ? font.pointSizeF() : ceilingPoints, ceilingPoints);
    for (; size > kFloorPoints; size -= kStepPoints) {
        font.setPointSizeF(size);
        if (fits(font, boxes))
            return font;
    }
    font.setPointSizeF(kFloorPoints);
    return font;
}

} // namespace FontFit
