#include "Clock.h"
#include "RecordFile.h"
#include "SerialPort.h"
#include "SettingsStore.h"
#include "Text.h"
#include "WeatherWriter.h"
#include "Window.h"
#include "core/Captions.h"
#include "core/CommandLine.h"
#include "core/Identity.h"

#include <commctrl.h>
#include <cstdlib>
#include <vector>
#include <windows.h>

namespace {

std::vector<std::string> arguments()
{
    std::vector<std::string> texts;
    for (int i = 1; i < __argc; ++i)
        texts.push_back(win32::narrow(__wargv[i]));
    return texts;
}

// The program has no console: --help and --version answer in a message box, and also on
// standard output where a script or a terminal under Wine reads it.
int answer(const std::string& text, UINT icon, int status)
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output && output != INVALID_HANDLE_VALUE) {
        const std::string line = text.back() == '\n' ? text : text + "\n";
        DWORD written = 0;
        WriteFile(output, line.data(), DWORD(line.size()), &written, nullptr);
    }
    MessageBoxW(nullptr, win32::widen(text).c_str(), win32::widen(core::kProgramName).c_str(),
                MB_OK | icon);
    return status;
}

} // namespace

// The one message loop: it sleeps until a window message comes, the serial line has bytes or
// went away, or the session's next moment arrives.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    const core::CommandLine commandLine = core::readCommandLine(arguments(), true);
    switch (commandLine.action) {
    case core::CommandLine::Action::Help:
        return answer(core::captions::helpText(true), MB_ICONINFORMATION, 0);
    case core::CommandLine::Action::Version:
        return answer(core::captions::versionText(), MB_ICONINFORMATION, 0);
    case core::CommandLine::Action::Refused:
        return answer(core::captions::unknownArgument(commandLine.refused, true), MB_ICONERROR, 2);
    case core::CommandLine::Action::Run:
        break;
    }

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    win32::Clock clock;
    win32::SerialPort serialPort;
    win32::SettingsStore settings;
    win32::WeatherWriter weatherWriter;
    win32::RecordFile record(win32::RecordFile::defaultPath());
    wchar_t tickMs[16] = {};
    if (GetEnvironmentVariableW(L"UIQ_TICK_MS", tickMs, 16) >= 16)
        tickMs[0] = L'\0';
    win32::Window window(instance, {serialPort, settings, weatherWriter, record, clock},
                         core::sessionTimes(win32::narrow(tickMs).c_str()));
    if (const core::Outcome made = window.create(show); !made.ok())
        return answer(core::captions::windowNotMade(made.reason()), MB_ICONERROR, 1);
    // A station that starts the program with the computer samples without anyone at it.
    if (commandLine.start)
        window.session().startClicked();

    for (;;) {
        HANDLE lineEvent = serialPort.readEvent();
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &lineEvent, window.millisecondsToWake(),
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
