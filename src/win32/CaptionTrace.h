#pragma once

#include <string>

// With UIQ_REPORT_CAPTION set, every caption the window shows is also written to standard
// output as "caption TEXT" (UTF-8), one line each, for scripts and tests that start the
// program as a process.
namespace win32::captionTrace {

void caption(const std::string& text);

} // namespace win32::captionTrace
