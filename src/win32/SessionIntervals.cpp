#include "SessionIntervals.h"

#include <cwchar>
#include <windows.h>

namespace win32 {

core::SessionTimes sessionIntervals()
{
    core::SessionTimes times;
    wchar_t value[16];
    const DWORD length = GetEnvironmentVariableW(L"UIQ_TICK_MS", value, 16);
    if (length == 0 || length >= 16)
        return times;
    wchar_t* end = nullptr;
    const unsigned long milliseconds = std::wcstoul(value, &end, 10);
    if (*end == L'\0' && milliseconds > 0)
        times.tick = std::chrono::milliseconds(milliseconds);
    return times;
}

} // namespace win32
