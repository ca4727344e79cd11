#pragma once

#include <string>
#include <windows.h>

// The core speaks UTF-8, the Windows API UTF-16.
namespace win32 {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& wide);

// A window's or a control's text.
std::string windowText(HWND window);

// The system's own words for an error code, without the final full stop and line break.
std::string errorText(DWORD code);

} // namespace win32
