#pragma once

#include <string>
#include <windows.h>

// With UIQ_REPORT_CAPTION set, the program tells scripts and tests on standard output what a
// user sees, one UTF-8 line each: every caption the window shows, as "caption TEXT", and once
// at start-up where each control stands, as "control NAME LEFT TOP WIDTH HEIGHT" in pixels of
// the window's client area.
namespace win32::captionTrace {

void caption(const std::string& text);
void controlPlace(const char* name, const RECT& place);

} // namespace win32::captionTrace
