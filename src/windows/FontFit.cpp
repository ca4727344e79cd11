#include "FontFit.h"

#include <algorithm>

namespace FontFit {

namespace {

constexpr int kFloorTenths = 50;
constexpr int kStepTenths = 5;

HFONT makeFont(const wchar_t* face, int tenthsOfPoints, UINT dpi)
{
    return CreateFontW(-MulDiv(tenthsOfPoints, int(dpi), 720), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                       FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                       DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

bool fits(HDC context, const std::vector<Box>& boxes)
{
    TEXTMETRICW metrics = {};
    GetTextMetricsW(context, &metrics);
    for (const Box& box : boxes) {
        LONG widest = 0;
        for (const std::wstring& line : box.lines) {
            SIZE extent = {};
            GetTextExtentPoint32W(context, line.c_str(), int(line.size()), &extent);
            widest = std::max(widest, extent.cx);
        }
        const LONG height = metrics.tmHeight * LONG(box.lines.size());
        if (widest + box.padding.cx > box.size.cx || height + box.padding.cy > box.size.cy)
            return false;
    }
    return true;
}

} // namespace

HFONT largestFitting(const wchar_t* face, int ceilingPoints, UINT dpi,
                     const std::vector<Box>& boxes)
{
    HDC context = CreateCompatibleDC(nullptr);
    HFONT font = nullptr;
    for (int tenths = ceilingPoints * 10; tenths >= kFloorTenths; tenths -= kStepTenths) {
        if (font)
            DeleteObject(font);
        font = makeFont(face, tenths, dpi);
        HGDIOBJ previous = SelectObject(context, font);
        const bool fitting = fits(context, boxes);
        SelectObject(context, previous);
        if (fitting)
            break;
    }
    DeleteDC(context);
    return font;
}

} // namespace FontFit
