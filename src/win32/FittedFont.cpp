#include "FittedFont.h"

#include "Text.h"
#include "core/WindowDesign.h"

#include <cmath>

namespace win32 {

namespace {

const wchar_t* const kFace = L"MS Shell Dlg";

HFONT makeFont(double points, UINT dpi)
{
    const int height = -int(std::lround(points * double(dpi) / 72.0));
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, kFace);
}

// One memory context that each size is measured in, the font of the last size selected.
class Measurer
{
public:
    explicit Measurer(UINT dpi) : m_dpi(dpi), m_context(CreateCompatibleDC(nullptr)) {}
    ~Measurer()
    {
        if (m_font)
            SelectObject(m_context, m_previous);
        DeleteDC(m_context);
        if (m_font)
            DeleteObject(m_font);
    }
    Measurer(const Measurer&) = delete;
    Measurer& operator=(const Measurer&) = delete;

    core::TextMeasure at(double points)
    {
        HFONT font = makeFont(points, m_dpi);
        HGDIOBJ previous = SelectObject(m_context, font);
        if (m_font)
            DeleteObject(m_font);
        else
            m_previous = previous;
        m_font = font;
        TEXTMETRICW metrics = {};
        GetTextMetricsW(m_context, &metrics);
        HDC context = m_context;
        return {[context](const std::string& line) {
                    const std::wstring wide = widen(line);
                    SIZE extent = {};
                    GetTextExtentPoint32W(context, wide.c_str(), int(wide.size()), &extent);
                    return int(extent.cx);
                },
                int(metrics.tmHeight)};
    }

private:
    UINT m_dpi;
    HDC m_context;
    HFONT m_font = nullptr;
    HGDIOBJ m_previous = nullptr;
};

} // namespace

HFONT fittedFont(const std::vector<core::FontBox>& boxes, UINT dpi)
{
    Measurer measurer(dpi);
    const double points = core::largestFittingPoints(
        boxes, core::kDesignFontPoints, [&measurer](double size) { return measurer.at(size); });
    return makeFont(points, dpi);
}

} // namespace win32
