#pragma once

#include "Registry.h"
#include "SerialLine.h"
#include "WeatherFile.h"
#include "core/ExchangeMachine.h"
#include "core/Sampling.h"
#include "core/StatusLine.h"
#include "core/WindowDesign.h"

#include <optional>
#include <string>
#include <windows.h>

// The program's one window, in plain Win32. Its controls keep their design-time places and
// sizes (scaled for the screen's DPI); the caption is the status line. The handlers only
// wire the controls, the registry, the serial line and the weather file to the core.
class UiQuorvix
{
public:
    explicit UiQuorvix(HINSTANCE instance);
    ~UiQuorvix();
    UiQuorvix(const UiQuorvix&) = delete;
    UiQuorvix& operator=(const UiQuorvix&) = delete;

    // Creates the window and its controls, runs OnLoad, then shows the window.
    bool create(int show);

    // For the message loop: what to wait on, for how long, and what to do then.
    HANDLE lineEvent() const { return MSComm1.readEvent(); }
    DWORD millisecondsToWake() const;
    void onLineEvent();
    void onTime();
    // Enter presses the focused button; Tab and the arrows move between controls.
    bool translateKey(MSG& message);

private:
    struct Design;
    static const Design kControls[core::kControlCount];

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void createControls();
    void placeControls();
    void onScroll(WPARAM wParam);
    void onEditChange(HWND edit);

    void OnLoad();
    void OnUnload();
    void OnWXfileChange();
    void OnCPortChange();
    void OnVScroll1Change();
    void OnCommand1Click();
    void OnCommand2Click();
    void OnCommand3Click();
    void OnTimer1Tick();

    bool openPort(int port);
    bool askNoPort();
    void request(core::ExchangeForm form);
    void hearWaiting();
    void follow(const core::ExchangeStep& step);
    void deliver(const core::ExchangeStep& step);
    void abandon(const std::string& caption);
    WeatherFile::State writeWeatherFile(const std::string& weatherField);
    void onReplaceTimer();

    void setScrollValue(int value);
    void setText(HWND control, const std::string& text);
    std::string text(HWND control) const;
    void showMessage(const std::string& message);
    void showReading(const std::string& caption);
    void showState();
    void refreshCaption();

    HINSTANCE m_instance;
    HWND m_window = nullptr;
    HFONT m_font = nullptr;
    UINT m_dpi = 96;
    HWND m_focus = nullptr;

    // The controls, named as the program has always named them.
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
    SerialLine MSComm1;

    // The texts the two boxes held at their last change: a change event runs only when the
    // text really changes, whether the user or the program changed it.
    std::wstring m_wxfileText;
    std::wstring m_cportText;
    // The file is written to the path as it stood when editing last finished (Enter, or the
    // focus left the box), never to a half-typed one; each keystroke is still saved at once.
    std::string m_weatherPath;
    int m_scrollValue;

    Registry m_settings;
    bool m_settingsUnsaved = false;
    bool m_started = false;
    bool m_portChosen = false;
    core::ExchangeMachine m_exchange;
    std::optional<core::ExchangeTime> m_wakeAt;
    std::string m_abandonCaption;
    // The port the running exchange asked, whatever the port box says meanwhile.
    int m_askedPort = 0;
    core::Sampling m_sampling;
    core::StatusLine m_status;
    WeatherFile m_weatherFile;
    // Why the last write failed (empty once one succeeds), and the path it went to.
    std::string m_writingTo;
    // The reading to show once a write that waits for the host program has ended.
    std::string m_pendingReading;
};
