#include "CaptionTrace.h"

namespace win32::captionTrace {

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

void report(const std::string& line)
{
    const HANDLE handle = output();
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr)
        return;
    const std::string whole = line + "\n";
    DWORD written = 0;
    WriteFile(handle, whole.data(), DWORD(whole.size()), &written, nullptr);
}

} // namespace

void caption(const std::string& text)
{
    report("caption " + text);
}

void controlPlace(const char* name, const RECT& place)
{
    report("control " + std::string(name) + " " + std::to_string(place.left) + " " +
           std::to_string(place.top) + " " + std::to_string(place.right - place.left) + " " +
           std::to_string(place.bottom - place.top));
}

} // namespace win32::captionTrace
