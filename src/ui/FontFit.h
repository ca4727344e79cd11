#pragma once

#include <QFont>
#include <QList>
#include <QRect>
#include <QString>

// The window was laid out for a small 8-point interface font. Where the platform's font
// would not fit the fixed control sizes, a smaller size is taken so that nothing is clipped.
namespace FontFit {

// A text that must be readable in full inside a box, with the given padding around it.
struct Box
{
    QStringList lines;
    QSize size;
    QSize padding;
};

bool fits(const QFont& font, const QList<Box>& boxes);

// The largest size from the font's own down to a floor that fits every box, in half points,
// never larger than ceilingPoints.
QFont largestFitting(QFont font, const QList<Box>& boxes, qreal ceilingPoints);

} // namespace FontFit
