#include "UiQuorvix.h"

#include <commctrl.h>
#include <windows.h>

// The one message loop: it sleeps until a window message comes, the serial line has bytes
// or went away, or the exchange's next moment arrives.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    UiQuorvix window(instance);
    if (!window.create(show))
        return 1;

    for (;;) {
        HANDLE line = window.lineEvent();
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &line, window.millisecondsToWake(),
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            window.onLineEvent();
        window.onTime();
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
