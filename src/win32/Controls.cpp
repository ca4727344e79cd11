#include "Controls.h"

#include "CaptionTrace.h"
#include "FittedFont.h"
#include "Text.h"
#include "core/PortChoice.h"
#include "core/WindowDesign.h"

#include <commctrl.h>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace win32 {

namespace {

// Which of the members holds the control of each design name.
struct ControlHandle
{
    const char* name;
    HWND Controls::*handle;
};

const ControlHandle kControlHandles[core::kControlCount] = {
    {"Command1", &Controls::Command1}, {"Text1", &Controls::Text1},
    {"Command2", &Controls::Command2}, {"Command3", &Controls::Command3},
    {"CPort", &Controls::CPort},       {"VScroll1", &Controls::VScroll1},
    {"Label1", &Controls::Label1},     {"Label2", &Controls::Label2},
    {"Label3", &Controls::Label3},     {"Label4", &Controls::Label4},
    {"WXfile", &Controls::WXfile},     {"Label7", &Controls::Label7},
    {"Label5", &Controls::Label5},     {"Label6", &Controls::Label6},
};

// The Win32 window class and styles that make each kind of control of the design.
struct ControlClass
{
    core::ControlKind kind;
    const wchar_t* className;
    DWORD style;
};

const ControlClass kControlClasses[] = {
    {core::ControlKind::PushButton, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP},
    {core::ControlKind::MultiLineText, WC_EDITW,
     ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_BORDER | WS_TABSTOP},
    {core::ControlKind::SingleLineText, WC_EDITW, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {core::ControlKind::ScrollBar, WC_SCROLLBARW, SBS_VERT | WS_TABSTOP},
    {core::ControlKind::Label, WC_STATICW, 0},
};

HWND Controls::*handleOf(std::string_view name)
{
    for (const ControlHandle& member : kControlHandles) {
        if (name == member.name)
            return member.handle;
    }
    return kControlHandles[0].handle;
}

const ControlClass& classOf(core::ControlKind kind)
{
    for (const ControlClass& made : kControlClasses) {
        if (made.kind == kind)
            return made;
    }
    return kControlClasses[0];
}

} // namespace

Controls::~Controls()
{
    if (m_font)
        DeleteObject(m_font);
}

void Controls::create(HWND window, HINSTANCE instance)
{
    // Made in the design's order, which is the tab order.
    int id = 101;
    for (const core::ControlDesign& design : core::kControls) {
        const ControlClass& made = classOf(design.kind);
        DWORD style = made.style;
        if (design.kind == core::ControlKind::Label)
            style |= design.alignment == core::Alignment::Centre ? SS_CENTER : SS_LEFT;
        this->*handleOf(design.name) = CreateWindowExW(
            (style & WS_BORDER) ? WS_EX_CLIENTEDGE : 0, made.className, widen(design.text).c_str(),
            WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), instance, nullptr);
    }
    SendMessageW(WXfile, EM_SETLIMITTEXT, WPARAM(core::kPathBoxCharacters), 0);

    SCROLLINFO scroll = {};
    scroll.cbSize = sizeof scroll;
    scroll.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    scroll.nMin = core::kScrollMinimum;
    scroll.nMax = core::kScrollMaximum;
    scroll.nPos = core::kScrollFirstValue;
    SetScrollInfo(VScroll1, SB_CTL, &scroll, FALSE);
}

void Controls::place(HWND window, UINT dpi)
{
    const auto pixels = [dpi](int twips) { return MulDiv(twips, int(dpi), 1440); };
    const auto scaled = [dpi](int atDesign) { return MulDiv(atDesign, int(dpi), 96); };
    std::vector<core::FontBox> boxes;
    for (const core::ControlDesign& design : core::kControls) {
        HWND control = this->*handleOf(design.name);
        const int width = pixels(design.width);
        const int height = pixels(design.height);
        SetWindowPos(control, nullptr, pixels(design.left), pixels(design.top), width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        const std::vector<std::string> lines = core::textsToFit(design, windowText(control));
        if (lines.empty())
            continue;
        // The padding each kind of control's frame takes around its text.
        const bool edit = design.kind == core::ControlKind::SingleLineText ||
                          design.kind == core::ControlKind::MultiLineText;
        const bool button = design.kind == core::ControlKind::PushButton;
        boxes.push_back({lines, width, height,
                         edit ? scaled(design.kind == core::ControlKind::MultiLineText ? 10 : 12)
                         : button ? scaled(6)
                                  : 0,
                         edit     ? scaled(8)
                         : button ? scaled(4)
                                  : 0});
    }
    HFONT font = fittedFont(boxes, dpi);
    for (const ControlHandle& member : kControlHandles)
        SendMessageW(this->*member.handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (m_font)
        DeleteObject(m_font);
    m_font = font;

    RECT frame = {0, 0, pixels(core::kClientWidth), pixels(core::kClientHeight)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void Controls::reportPlaces(HWND window) const
{
    for (const core::ControlDesign& design : core::kControls) {
        RECT place = {};
        GetWindowRect(this->*handleOf(design.name), &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        captionTrace::controlPlace(design.name, place);
    }
}

// A scroll bar control tells which of its parts was clicked and leaves moving its box to its
// owner; the box keeps within the bar's range.
std::optional<int> Controls::moveScrollBox(int code, int thumb)
{
    int value = GetScrollPos(VScroll1, SB_CTL);
    switch (code) {
    case SB_LINEUP:
        value -= core::kScrollSmallStep;
        break;
    case SB_LINEDOWN:
        value += core::kScrollSmallStep;
        break;
    case SB_PAGEUP:
        value -= core::kScrollLargeStep;
        break;
    case SB_PAGEDOWN:
        value += core::kScrollLargeStep;
        break;
    case SB_TOP:
        value = core::kScrollMinimum;
        break;
    case SB_BOTTOM:
        value = core::kScrollMaximum;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        value = thumb;
        break;
    default:
        return std::nullopt;
    }
    SetScrollPos(VScroll1, SB_CTL, value, TRUE);
    return GetScrollPos(VScroll1, SB_CTL);
}

UINT windowDpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow)
        return getDpiForWindow(window);
    HDC screen = GetDC(nullptr);
    const UINT dpi = UINT(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    return dpi;
}

} // namespace win32
