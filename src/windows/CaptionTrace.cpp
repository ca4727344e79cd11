#include "CaptionTrace.h"

#include <windows.h>

namespace CaptionTrace {

namespace {

HANDLE output()
{
    static const HANDLE handle = [] {
        wchar_t value[8];
        if (GetEnvironmentVariableW(L"UIQ_REPORT_CAPTION", value, 8) == 0)
            return INVALID_HANDLE_VALUE;
        return GetStdHandle(STD_OUTPUT_HANDLE);
    }();
    return handle;
}

} // namespace

void report(const std::string& caption)
{
    const HANDLE handle = output();
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr)
        return;
    const std::string line = "caption " + caption + "\n";
    DWORD written = 0;
    WriteFile(handle, line.data(), DWORD(line.size()), &written, nullptr);
}

} // namespace CaptionTrace
