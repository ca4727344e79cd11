#pragma once

#include <string>
#include <vector>
#include <windows.h>

// The window was laid out for the 8-point dialog font. Where the system's font would not fit
// the fixed control sizes (Wine without its own fonts falls back to wider ones), a smaller
// size is taken, so that nothing is clipped or wrapped.
namespace FontFit {

// Lines of text that must be readable in full inside a box, with padding around them; all
// in pixels.
struct Box
{
    std::vector<std::wstring> lines;
    SIZE size;
    SIZE padding;
};

// The font in the given face, at the largest size from ceilingPoints down that fits every box.
HFONT largestFitting(const wchar_t* face, int ceilingPoints, UINT dpi,
                     const std::vector<Box>& boxes);

} // namespace FontFit
