#pragma once

#include <optional>
#include <windows.h>

// The window's controls, made from the core's design in its tab order with their design-time
// texts, and placed where the design put them: twips at 15 to a pixel at 96 DPI, scaled for
// the window's DPI, in the largest font at which every text fits.
namespace win32 {

class Controls
{
public:
    Controls() = default;
    ~Controls();
    Controls(const Controls&) = delete;
    Controls& operator=(const Controls&) = delete;

    void create(HWND window, HINSTANCE instance);
    // Places every control, fits the font to the texts they hold now, and sizes the window's
    // client area to the design.
    void place(HWND window, UINT dpi);
    // Tells the caption trace where each control stands.
    void reportPlaces(HWND window) const;
    // Moves VScroll1's box for a click on one of its parts (an SB_ code of WM_VSCROLL) and
    // gives its new place; nothing for a code that moves nothing.
    std::optional<int> moveScrollBox(int code, int thumb);

    HWND Command1 = nullptr;
    HWND Text1 = nullptr;
    HWND Command2 = nullptr;
    HWND Command3 = nullptr;
    HWND CPort = nullptr;
    HWND VScroll1 = nullptr;
    HWND Label1 = nullptr;
    HWND Label2 = nullptr;
    HWND Label3 = nullptr;
    HWND Label4 = nullptr;
    HWND WXfile = nullptr;
    HWND Label7 = nullptr;
    HWND Label5 = nullptr;
    HWND Label6 = nullptr;

private:
    HFONT m_font = nullptr;
};

// The window's own DPI where the system knows it per monitor, else the system's.
UINT windowDpi(HWND window);

} // namespace win32
