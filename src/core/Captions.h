#pragma once

#include <string>
#include <string_view>

// The texts of the window's caption, the program's status line. Both programs show these
// words and no others, so a user reads the same message on Linux and on Windows.
namespace core::captions {

std::string stopped();
std::string started();

// "COM3": a port as the user knows it.
std::string portName(int port);

// Text the user typed, in quotes, cut to a few dozen characters so that a pasted page never
// becomes the caption (the window would redraw it on every key).
std::string quoted(std::string_view typed);

// A path as a caption shows it: control characters as U+FFFD, and a long path cut in the
// middle, keeping its start and the file's name.
std::string shownPath(std::string_view path);

std::string notAPortNumber(std::string_view typed);
std::string storedPortNotANumber(std::string_view stored);
std::string portOutOfRange();
std::string noPortChosen();
std::string cannotBeOpened(int port, std::string_view reason);

} // namespace core::captions
