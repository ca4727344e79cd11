#include "Clock.h"
#include "SerialPort.h"
#include "SessionIntervals.h"
#include "SettingsStore.h"
#include "WeatherWriter.h"
#include "Window.h"

#include <commctrl.h>
#include <windows.h>

// The one message loop: it sleeps until a window message comes, the serial line has bytes or
// went away, or the session's next moment arrives.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    win32::Clock clock;
    win32::SerialPort serialPort;
    win32::SettingsStore settings;
    win32::WeatherWriter weatherWriter;
    win32::Window window(instance, {serialPort, settings, weatherWriter, clock},
                         win32::sessionIntervals());
    if (!window.create(show))
        return 1;

    for (;;) {
        HANDLE line = serialPort.readEvent();
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &line, window.millisecondsToWake(),
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            serialPort.handOver(window.session());
        window.wakeIfDue();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return int(message.wParam);
            if (!window.translateKey(message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
}
