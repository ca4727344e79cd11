#pragma once

#include <string>

// The thermometer's line, set on every port change: 9600 baud, no parity, 8 data bits and 2
// stop bits, with DTR and RTS raised.
namespace core {

constexpr long kLineBaud = 9600;
constexpr int kLineDataBits = 8;
constexpr int kLineStopBits = 2;
// The line settings as the serial control writes them: "9600,n,8,2".
std::string lineSettingsText();

// The most the program holds of what the line sent and it has not read: a device that floods
// the line cannot make it grow; the rest waits in the system's own buffer.
constexpr int kReceiveBufferBytes = 1024;

} // namespace core
