#include "Window.h"

#include "CaptionTrace.h"
#include "Text.h"
#include "core/Identity.h"
#include "core/WindowDesign.h"

#include <algorithm>
#include <chrono>
#include <windowsx.h>

namespace win32 {

namespace {

// The class name, as the window was designed: the program's own name.
std::wstring windowClassName()
{
    return widen(core::kProgramName);
}
// The program's own loop wakes the session on time. While the user drags the scroll box or
// moves the window, the system runs a loop of its own, and only a timer's messages get through
// it: this timer, armed beside every wake-up, keeps the ticks and deadlines going meanwhile.
constexpr UINT_PTR kWakeTimer = 1;

} // namespace

Window::Window(HINSTANCE instance, const Services& services, core::SessionTimes times)
    : m_instance(instance), m_clock(services.clock),
      m_session(core::Platform{services.serialPort, services.settings, services.weatherWriter,
                               services.record, services.clock, *this, *this},
                times)
{
}

core::Outcome Window::create(int show)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = m_instance;
    windowClass.hIcon = LoadIconW(m_instance, L"IDI_ICON1");
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(m_instance, L"IDI_ICON1", IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    const std::wstring className = windowClassName();
    windowClass.lpszClassName = className.c_str();
    if (!RegisterClassExW(&windowClass))
        return core::Outcome::failure(errorText(GetLastError()));

    m_window = CreateWindowExW(0, className.c_str(), widen(core::kDesignCaption).c_str(),
                               WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, m_instance, this);
    if (!m_window)
        return core::Outcome::failure(errorText(GetLastError()));
    m_dpi = windowDpi(m_window);
    m_controls.create(m_window, m_instance);
    m_session.load();
    // The font is fitted to the texts start-up has put in place.
    m_controls.place(m_window, m_dpi);
    m_controls.reportPlaces(m_window);
    ShowWindow(m_window, show);
    UpdateWindow(m_window);
    SetFocus(m_controls.Command1);
    return core::Done{};
}

LRESULT CALLBACK Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_window = window;
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Window::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        onCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return 0;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == m_controls.VScroll1)
            onScroll(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        // The scroll bar hands the wheel on to its window; a notch over it steps the port by
        // one, as in the Linux program, where the control alone would step by several lines.
        const POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (WindowFromPoint(at) == m_controls.VScroll1)
            m_session.wheelTurned(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    }
    case WM_ACTIVATE:
        // The control that had the focus gets it back when the window is activated again.
        if (LOWORD(wParam) == WA_INACTIVE)
            m_focus = GetFocus();
        else if (m_focus && IsChild(m_window, m_focus))
            SetFocus(m_focus);
        return 0;
    case WM_DPICHANGED: {
        m_dpi = HIWORD(wParam);
        m_controls.place(m_window, m_dpi);
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kWakeTimer) {
            wakeIfDue();
            // A timer that came a little early is set again for what is left.
            wakeAt(m_wakeAt);
        }
        return 0;
    case WM_DESTROY:
        m_session.unload();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

void Window::onCommand(HWND control, int code)
{
    const Controls& c = m_controls;
    if (code == BN_CLICKED && control == c.Command1)
        m_session.oneShotClicked();
    else if (code == BN_CLICKED && control == c.Command2)
        m_session.startClicked();
    else if (code == BN_CLICKED && control == c.Command3)
        m_session.stopClicked();
    else if (code == EN_CHANGE && !m_showingText && control == c.WXfile)
        m_session.pathEdited(windowText(c.WXfile));
    else if (code == EN_CHANGE && !m_showingText && control == c.CPort)
        m_session.portEdited(windowText(c.CPort));
    else if (code == EN_KILLFOCUS && control == c.WXfile)
        m_session.pathEditFinished();
}

void Window::onScroll(int code, int thumb)
{
    if (const std::optional<int> value = m_controls.moveScrollBox(code, thumb))
        m_session.scrollMoved(*value);
}

bool Window::translateKey(MSG& message)
{
    HWND focus = GetFocus();
    // Tab moves on from every control, the multi-line Text1 included, which would otherwise
    // take the Tab as text.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && IsChild(m_window, focus)) {
        const bool back = GetKeyState(VK_SHIFT) < 0;
        if (HWND next = GetNextDlgTabItem(m_window, focus, back)) {
            if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
                SendMessageW(next, EM_SETSEL, 0, -1);
            SetFocus(next);
        }
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        if (focus == m_controls.WXfile) {
            m_session.pathEditFinished();
            return true;
        }
        if (focus == m_controls.Command1 || focus == m_controls.Command2 ||
            focus == m_controls.Command3) {
            SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        }
    }
    return IsDialogMessageW(m_window, &message);
}

// ---- What the session shows ----

void Window::showCaption(const std::string& caption)
{
    SetWindowTextW(m_window, widen(caption).c_str());
    captionTrace::caption(caption);
}

void Window::showText(TextControl control, const std::string& text)
{
    const Controls& c = m_controls;
    HWND shown = control == TextControl::Text1    ? c.Text1
                 : control == TextControl::CPort  ? c.CPort
                 : control == TextControl::WXfile ? c.WXfile
                 : control == TextControl::Label2 ? c.Label2
                 : control == TextControl::Label3 ? c.Label3
                                                  : c.Label4;
    m_showingText = true;
    SetWindowTextW(shown, widen(text).c_str());
    m_showingText = false;
}

void Window::showScrollValue(int value)
{
    SetScrollPos(m_controls.VScroll1, SB_CTL, value, TRUE);
}

// The caption already tells of a reading; the window shows nothing more for it.
void Window::noteReading(core::ExchangeForm, bool) {}

// ---- The one timer ----

void Window::wakeAt(std::optional<core::ExchangeTime> when)
{
    m_wakeAt = when;
    if (!m_wakeAt)
        KillTimer(m_window, kWakeTimer);
    else
        SetTimer(m_window, kWakeTimer, std::max<DWORD>(millisecondsToWake(), USER_TIMER_MINIMUM),
                 nullptr);
}

DWORD Window::millisecondsToWake() const
{
    if (!m_wakeAt)
        return INFINITE;
    const auto left = *m_wakeAt - m_clock.now();
    if (left <= core::ExchangeClock::duration::zero())
        return 0;
    // Rounded up, so the wake-up never comes before its time.
    return DWORD(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void Window::wakeIfDue()
{
    if (!m_wakeAt || m_clock.now() < *m_wakeAt)
        return;
    m_wakeAt.reset();
    m_session.wake();
}

} // namespace win32
