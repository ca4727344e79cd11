#pragma once

#include "core/FontFit.h"

#include <vector>
#include <windows.h>

// The dialog font at the size the core's rule picks (core::largestFittingPoints), measured
// with GDI at the window's DPI. The caller deletes the font.
namespace win32 {

HFONT fittedFont(const std::vector<core::FontBox>& boxes, UINT dpi);

} // namespace win32
