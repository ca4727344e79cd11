#pragma once

class QWidget;

// With UIQ_REPORT_CAPTION set, the program tells scripts and tests on standard output what a
// user sees: every caption the window shows, as "caption TEXT", one UTF-8 line each.
namespace qt::captionTrace {

void follow(QWidget& window);

} // namespace qt::captionTrace
