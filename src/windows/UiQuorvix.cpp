#include "UiQuorvix.h"

#include "CaptionTrace.h"
#include "FontFit.h"
#include "Text.h"
#include "WeatherFile.h"
#include "core/Captions.h"
#include "core/ConfigValues.h"
#include "core/PortChoice.h"
#include "core/SampleCaptions.h"
#include "core/WeatherText.h"
#include "core/WindowDesign.h"

#include <chrono>
#include <commctrl.h>

namespace {

const wchar_t* const kWindowClass = L"UiQuorvix";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kReplaceTimer = 2;

} // namespace

// One row per control, in tab order; positions and sizes in twips.
// How each control of the design is made here: its window class and styles.
struct UiQuorvix::Design
{
    HWND UiQuorvix::*control;
    const char* name;
    int id;
    const wchar_t* className;
    DWORD style;
};

UiQuorvix::UiQuorvix(HINSTANCE instance)
    : m_instance(instance), m_scrollValue(core::kScrollFirstValue)
{
}

UiQuorvix::~UiQuorvix()
{
    if (m_font)
        DeleteObject(m_font);
}

bool UiQuorvix::create(int show)
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
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass))
        return false;

    m_window = CreateWindowExW(0, kWindowClass, win::widen(core::kDesignCaption).c_str(),
                               WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, m_instance, this);
    if (!m_window)
        return false;
    createControls();
    OnLoad();
    // The font is fitted to the captions start-up has put in place.
    placeControls();
    ShowWindow(m_window, show);
    UpdateWindow(m_window);
    SetFocus(Command1);
    return true;
}

LRESULT CALLBACK UiQuorvix::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<UiQuorvix*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_window = window;
    }
    auto* self = reinterpret_cast<UiQuorvix*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT UiQuorvix::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: {
        const auto control = reinterpret_cast<HWND>(lParam);
        const int code = HIWORD(wParam);
        if (code == BN_CLICKED && control == Command1)
            OnCommand1Click();
        else if (code == BN_CLICKED && control == Command2)
            OnCommand2Click();
        else if (code == BN_CLICKED && control == Command3)
            OnCommand3Click();
        else if (code == EN_CHANGE)
            onEditChange(control);
        else if (code == EN_KILLFOCUS && control == WXfile)
            m_weatherPath = text(WXfile);
        return 0;
    }
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == VScroll1)
            onScroll(wParam);
        return 0;
    case WM_TIMER:
        if (wParam == kTimer1)
            OnTimer1Tick();
        else if (wParam == kReplaceTimer)
            onReplaceTimer();
        return 0;
    case WM_ACTIVATE:
        // The control that had the focus gets it back when the window is activated again.
        if (LOWORD(wParam) == WA_INACTIVE)
            m_focus = GetFocus();
        else if (m_focus && IsChild(m_window, m_focus))
            SetFocus(m_focus);
        return 0;
    case WM_DPICHANGED: {
        m_dpi = HIWORD(wParam);
        placeControls();
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    case WM_DESTROY:
        OnUnload();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

const UiQuorvix::Design UiQuorvix::kControls[core::kControlCount] = {
    {&UiQuorvix::Command1, "Command1", 101, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP},
    {&UiQuorvix::Text1, "Text1", 102, WC_EDITW,
     ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL | WS_BORDER | WS_TABSTOP},
    {&UiQuorvix::Command2, "Command2", 103, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP},
    {&UiQuorvix::Command3, "Command3", 104, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP},
    {&UiQuorvix::CPort, "CPort", 105, WC_EDITW, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {&UiQuorvix::VScroll1, "VScroll1", 106, WC_SCROLLBARW, SBS_VERT | WS_TABSTOP},
    {&UiQuorvix::Label1, "Label1", 107, WC_STATICW, 0},
    {&UiQuorvix::Label2, "Label2", 108, WC_STATICW, 0},
    {&UiQuorvix::Label3, "Label3", 109, WC_STATICW, 0},
    {&UiQuorvix::Label4, "Label4", 110, WC_STATICW, 0},
    {&UiQuorvix::WXfile, "WXfile", 111, WC_EDITW, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {&UiQuorvix::Label7, "Label7", 112, WC_STATICW, 0},
    {&UiQuorvix::Label5, "Label5", 113, WC_STATICW, 0},
    {&UiQuorvix::Label6, "Label6", 114, WC_STATICW, 0},
};

void UiQuorvix::createControls()
{
    // The window's own DPI where the system knows it per monitor, else the system's.
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow) {
        m_dpi = getDpiForWindow(m_window);
    } else {
        HDC screen = GetDC(nullptr);
        m_dpi = UINT(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }

    for (const Design& design : kControls) {
        const core::ControlDesign& drawn = core::control(design.name);
        DWORD style = design.style;
        if (drawn.kind == core::ControlKind::Label)
            style |= drawn.alignment == core::Alignment::Centre ? SS_CENTER : SS_LEFT;
        this->*design.control = CreateWindowExW(
            (style & WS_BORDER) ? WS_EX_CLIENTEDGE : 0, design.className,
            win::widen(drawn.text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), m_instance, nullptr);
    }
    m_wxfileText = win::widen(text(WXfile));
    m_cportText = win::widen(text(CPort));

    SCROLLINFO scroll = {};
    scroll.cbSize = sizeof scroll;
    scroll.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
    scroll.nMin = core::kScrollMinimum;
    scroll.nMax = core::kScrollMaximum;
    scroll.nPos = m_scrollValue;
    SetScrollInfo(VScroll1, SB_CTL, &scroll, FALSE);
}

// Twips to pixels: 15 twips make one pixel at 96 DPI.
void UiQuorvix::placeControls()
{
    const auto pixels = [this](int twips) { return MulDiv(twips, int(m_dpi), 1440); };
    const auto scaled = [this](LONG atDesign) { return LONG(MulDiv(atDesign, int(m_dpi), 96)); };
    std::vector<FontFit::Box> boxes;
    for (const Design& design : kControls) {
        HWND control = this->*design.control;
        const core::ControlDesign& drawn = core::control(design.name);
        const SIZE size = {pixels(drawn.width), pixels(drawn.height)};
        SetWindowPos(control, nullptr, pixels(drawn.left), pixels(drawn.top), size.cx, size.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        // Every caption as it stands, the widest weather text and a three-digit port.
        if (control == Text1)
            boxes.push_back(
                {{win::widen(core::kWidestDateLine), win::widen(core::kWidestWeatherField)},
                 size,
                 {scaled(10), scaled(8)}});
        else if (control == CPort)
            boxes.push_back({{win::widen(core::kWidestPort)}, size, {scaled(12), scaled(8)}});
        else if (design.className == std::wstring(WC_BUTTONW))
            boxes.push_back({{win::widen(text(control))}, size, {scaled(6), scaled(4)}});
        else if (design.className == std::wstring(WC_STATICW))
            boxes.push_back({{win::widen(text(control))}, size, {0, 0}});
    }
    HFONT font =
        FontFit::largestFitting(L"MS Shell Dlg", int(core::kDesignFontPoints), m_dpi, boxes);
    for (const Design& design : kControls)
        SendMessageW(this->*design.control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (m_font)
        DeleteObject(m_font);
    m_font = font;

    RECT frame = {0, 0, pixels(core::kClientWidth), pixels(core::kClientHeight)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

bool UiQuorvix::translateKey(MSG& message)
{
    // Tab moves on from every control, the multi-line Text1 included, which would otherwise
    // take the Tab as text.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB &&
        IsChild(m_window, GetFocus())) {
        const bool back = GetKeyState(VK_SHIFT) < 0;
        if (HWND next = GetNextDlgTabItem(m_window, GetFocus(), back)) {
            if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
                SendMessageW(next, EM_SETSEL, 0, -1);
            SetFocus(next);
        }
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        HWND focus = GetFocus();
        if (focus == WXfile) {
            m_weatherPath = text(WXfile);
            return true;
        }
        if (focus == Command1 || focus == Command2 || focus == Command3) {
            SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        }
    }
    return IsDialogMessageW(m_window, &message);
}

// ---- Start-up and shutdown ----

void UiQuorvix::OnLoad()
{
    setText(Label2, core::kTitleLine);
    setText(Label3, core::kVersionLine);
    setText(Label4, core::kCreditLine);

    bool pathSaved = false;
    bool portSaved = false;
    const std::string path = m_settings.ReadConfigValue(core::kWXPath, &pathSaved);
    const std::string port = m_settings.ReadConfigValue(core::kCPort, &portSaved);
    m_settingsUnsaved = !pathSaved || !portSaved;

    setText(WXfile, path);
    m_weatherPath = path;
    setText(CPort, port);

    std::vector<std::string> problems;
    const core::PortChoice choice = core::choosePort(port);
    // A stored port is taken as if it had been typed: one that names no port the arrows can
    // reach opens nothing, and no reading asks any port until the user chooses one.
    m_portChosen = choice.kind == core::PortChoice::Kind::Port;
    if (choice.kind == core::PortChoice::Kind::OutOfRange) {
        MSComm1.close();
        problems.push_back(core::captions::portOutOfRange());
    } else if (choice.kind == core::PortChoice::Kind::NotANumber) {
        MSComm1.close();
        problems.push_back(core::captions::storedPortNotANumber(port));
    } else if (!openPort(choice.port)) {
        problems.push_back(core::captions::cannotBeOpened(choice.port, MSComm1.lastError()));
    }

    const std::string caption =
        core::captions::startUp(problems, m_settingsUnsaved, m_settings.location());
    if (problems.empty() && !m_settingsUnsaved)
        showState();
    else
        showMessage(caption);
}

void UiQuorvix::OnUnload()
{
    KillTimer(m_window, kTimer1);
    KillTimer(m_window, kReplaceTimer);
    MSComm1.close();
}

void UiQuorvix::OnWXfileChange()
{
    m_settingsUnsaved = !m_settings.WriteConfigValue(core::kWXPath.name, text(WXfile));
    if (m_settingsUnsaved)
        showMessage(core::captions::pathNotSaved(m_settings.location()));
}

// ---- The port selector ----

void UiQuorvix::OnCPortChange()
{
    const std::string typed = text(CPort);
    const core::PortChoice choice = core::choosePort(typed);
    if (choice.kind == core::PortChoice::Kind::NotANumber) {
        showMessage(core::captions::notAPortNumber(typed));
        return;
    }
    if (choice.kind == core::PortChoice::Kind::OutOfRange) {
        showMessage(core::captions::portOutOfRange());
        return;
    }
    setScrollValue(choice.scrollValue);

    // The nested change may have rewritten the text to its plain form.
    const std::string current = text(CPort);
    m_settingsUnsaved = !m_settings.WriteConfigValue(core::kCPort.name, current);
    if (m_settingsUnsaved)
        showMessage(core::captions::portNotSaved(m_settings.location()));
    const core::PortChoice now = core::choosePort(current);
    const int port = now.kind == core::PortChoice::Kind::Port ? now.port : choice.port;
    m_portChosen = true;
    if (!openPort(port)) {
        showMessage(core::captions::cannotBeOpened(port, MSComm1.lastError()));
        return;
    }
    m_status.portOpened(m_started, m_settingsUnsaved);
    refreshCaption();
}

void UiQuorvix::OnVScroll1Change()
{
    setText(CPort, core::portText(m_scrollValue));
}

void UiQuorvix::onScroll(WPARAM wParam)
{
    int value = m_scrollValue;
    switch (LOWORD(wParam)) {
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
        value = HIWORD(wParam);
        break;
    default:
        return;
    }
    if (value < core::kScrollMinimum)
        value = core::kScrollMinimum;
    if (value > core::kScrollMaximum)
        value = core::kScrollMaximum;
    setScrollValue(value);
}

void UiQuorvix::setScrollValue(int value)
{
    if (value == m_scrollValue)
        return;
    m_scrollValue = value;
    SetScrollPos(VScroll1, SB_CTL, value, TRUE);
    OnVScroll1Change();
}

bool UiQuorvix::openPort(int port)
{
    return MSComm1.open(port);
}

// ---- Sampling ----

void UiQuorvix::OnCommand1Click()
{
    if (!askNoPort())
        request(core::ExchangeForm::OneShot);
}

void UiQuorvix::OnCommand2Click()
{
    // A second Start leaves the countdown running, so pressing it never delays a reading.
    if (!m_started)
        SetTimer(m_window, kTimer1, UINT(core::kTickIntervalMs), nullptr);
    m_started = true;
    showState();
}

void UiQuorvix::OnCommand3Click()
{
    KillTimer(m_window, kTimer1);
    m_started = false;
    showState();
}

void UiQuorvix::OnTimer1Tick()
{
    if (!askNoPort())
        request(core::ExchangeForm::Sampling);
}

// Without a port the user chose, a reading asks no port at all and says so.
bool UiQuorvix::askNoPort()
{
    if (m_portChosen)
        return false;
    showMessage(core::captions::noPortChosen());
    return true;
}

void UiQuorvix::request(core::ExchangeForm form)
{
    if (!m_exchange.busy()) {
        m_askedPort = MSComm1.port();
        hearWaiting();
    }
    follow(m_exchange.request(form, core::ExchangeClock::now()));
}

// Bytes the line already holds are heard before the exchange decides whether the line is quiet.
void UiQuorvix::hearWaiting()
{
    if (WaitForSingleObject(MSComm1.readEvent(), 0) == WAIT_OBJECT_0)
        onLineEvent();
}

void UiQuorvix::follow(const core::ExchangeStep& step)
{
    m_wakeAt = step.wakeAt;
    if (step.outcome != core::ExchangeOutcome::None)
        deliver(step);
    if (step.send) {
        m_askedPort = MSComm1.port();
        // A line that is closed (unplugged, or held by another program when it was opened)
        // is tried again, so sampling resumes by itself once the thermometer is back.
        if (!MSComm1.isOpen() && !MSComm1.open(MSComm1.port())) {
            abandon(core::captions::notOpen(MSComm1.port(), MSComm1.lastError()));
            return;
        }
        if (!MSComm1.send(std::string(core::kMeasureCommand))) {
            abandon(core::captions::notOpen(MSComm1.port(), MSComm1.lastError()));
            return;
        }
    }
}

void UiQuorvix::abandon(const std::string& caption)
{
    m_abandonCaption = caption;
    follow(m_exchange.abandon(core::ExchangeClock::now()));
}

void UiQuorvix::deliver(const core::ExchangeStep& step)
{
    switch (step.outcome) {
    case core::ExchangeOutcome::Replied: {
        const core::Sampling::Reading reading =
            m_sampling.replied(step.finishedForm, step.reply, m_askedPort);
        // While the host program holds the file, the reading shows once the write has ended.
        if (reading.weatherField &&
            writeWeatherFile(*reading.weatherField) == WeatherFile::State::Busy)
            m_pendingReading = reading.caption;
        else
            showReading(m_sampling.caption(reading.caption));
        break;
    }
    case core::ExchangeOutcome::NoAnswer:
    case core::ExchangeOutcome::PartAnswer:
    case core::ExchangeOutcome::TooLong:
    case core::ExchangeOutcome::LineBusy:
        showReading(core::captions::exchangeFailed(step, m_askedPort));
        break;
    case core::ExchangeOutcome::Abandoned:
        showReading(m_abandonCaption);
        break;
    case core::ExchangeOutcome::None:
        break;
    }
}

WeatherFile::State UiQuorvix::writeWeatherFile(const std::string& weatherField)
{
    SYSTEMTIME clock;
    GetLocalTime(&clock);
    const core::LocalTime now = {clock.wYear, clock.wMonth, clock.wDay, clock.wHour, clock.wMinute};
    // The edit control shows the device's bytes as Latin-1 characters, as the caption does.
    setText(Text1, core::captions::latin1ToUtf8(core::weatherDisplayText(now, weatherField)));
    KillTimer(m_window, kReplaceTimer);
    m_writingTo = m_weatherPath;
    const WeatherFile::State state =
        m_weatherFile.write(m_writingTo, core::weatherFileBytes(now, weatherField));
    if (state == WeatherFile::State::Busy)
        SetTimer(m_window, kReplaceTimer, WeatherFile::kRetryMs, nullptr);
    else
        m_sampling.written(m_writingTo, m_weatherFile.outcome());
    return state;
}

void UiQuorvix::onReplaceTimer()
{
    if (m_weatherFile.retry() == WeatherFile::State::Busy)
        return;
    KillTimer(m_window, kReplaceTimer);
    m_sampling.written(m_writingTo, m_weatherFile.outcome());
    showReading(m_sampling.caption(m_pendingReading));
}

// ---- The line and the clock, from the message loop ----

DWORD UiQuorvix::millisecondsToWake() const
{
    if (!m_wakeAt)
        return INFINITE;
    const auto left = *m_wakeAt - core::ExchangeClock::now();
    if (left <= core::ExchangeClock::duration::zero())
        return 0;
    // Rounded up, so the wake-up never comes before its time.
    return DWORD(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void UiQuorvix::onTime()
{
    if (m_wakeAt && core::ExchangeClock::now() >= *m_wakeAt) {
        hearWaiting();
        m_wakeAt.reset();
        follow(m_exchange.timeReached(core::ExchangeClock::now()));
    }
}

void UiQuorvix::onLineEvent()
{
    switch (MSComm1.onReadEvent()) {
    case SerialLine::Event::Data:
        follow(m_exchange.bytesArrived(MSComm1.received(), core::ExchangeClock::now()));
        break;
    case SerialLine::Event::Lost: {
        const std::string caption = core::captions::lost(MSComm1.port(), MSComm1.lastError());
        if (m_exchange.busy())
            abandon(caption);
        else
            showMessage(caption);
        break;
    }
    case SerialLine::Event::Nothing:
        break;
    }
}

// ---- Texts and the caption ----

void UiQuorvix::onEditChange(HWND edit)
{
    std::wstring* last = edit == WXfile ? &m_wxfileText : edit == CPort ? &m_cportText : nullptr;
    if (!last)
        return;
    const std::wstring now = win::widen(text(edit));
    if (now == *last)
        return;
    *last = now;
    if (edit == WXfile)
        OnWXfileChange();
    else
        OnCPortChange();
}

void UiQuorvix::setText(HWND control, const std::string& value)
{
    SetWindowTextW(control, win::widen(value).c_str());
}

std::string UiQuorvix::text(HWND control) const
{
    std::wstring buffer(std::size_t(GetWindowTextLengthW(control)) + 1, L'\0');
    buffer.resize(std::size_t(GetWindowTextW(control, buffer.data(), int(buffer.size()))));
    return win::narrow(buffer);
}

void UiQuorvix::showMessage(const std::string& message)
{
    m_status.showMessage(message);
    refreshCaption();
}

void UiQuorvix::showReading(const std::string& caption)
{
    m_status.showReading(caption);
    refreshCaption();
}

void UiQuorvix::showState()
{
    m_status.showState(m_started);
    refreshCaption();
}

void UiQuorvix::refreshCaption()
{
    const std::string& caption = m_status.caption();
    if (caption == text(m_window))
        return;
    SetWindowTextW(m_window, win::widen(caption).c_str());
    CaptionTrace::report(caption);
}
