#pragma once

#include "Controls.h"
#include "core/Platform.h"
#include "core/Session.h"

#include <optional>
#include <string>
#include <windows.h>

// The program's one window in plain Win32: the view of the session and its one timer. It
// forwards what the user does to the session and shows what the session tells it; every rule
// of the window is the session's.
namespace win32 {

// What the session reaches the system through, besides the window itself.
struct Services
{
    core::SerialPort& serialPort;
    core::SettingsStore& settings;
    core::WeatherWriter& weatherWriter;
    core::Record& record;
    const core::Clock& clock;
};

class Window : public core::View, public core::Waker
{
public:
    Window(HINSTANCE instance, const Services& services, core::SessionTimes times);
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Creates the window and its controls, lets the session start up, then shows the window.
    // Makes the window and runs start-up; fails with the system's reason.
    core::Outcome create(int show);

    core::Session& session() { return m_session; }
    // For the message loop: how long it may sleep, and the wake-up once that time has come.
    DWORD millisecondsToWake() const;
    void wakeIfDue();
    // Enter presses the focused button; Tab and the arrows move between controls.
    bool translateKey(MSG& message);

    void showCaption(const std::string& caption) override;
    void showText(TextControl control, const std::string& text) override;
    void showScrollValue(int value) override;
    void noteReading(core::ExchangeForm form, bool wroteFile) override;
    void wakeAt(std::optional<core::ExchangeTime> when) override;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(HWND control, int code);
    void onScroll(int code, int thumb);

    HINSTANCE m_instance;
    const core::Clock& m_clock;
    HWND m_window = nullptr;
    UINT m_dpi = 96;
    HWND m_focus = nullptr;
    Controls m_controls;
    // A text the session set is being shown: its change notice is not the user's.
    bool m_showingText = false;
    std::optional<core::ExchangeTime> m_wakeAt;
    core::Session m_session;
};

} // namespace win32
