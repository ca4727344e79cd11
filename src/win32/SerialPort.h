#pragma once

#include "core/Platform.h"

#include <string>
#include <windows.h>

namespace core {
class Session;
}

// The serial line to the thermometer on a numbered COM port. Reads are overlapped: readEvent()
// is signalled when bytes came or the device went away, the message loop sleeps until then and
// calls handOver(), which gives the bytes, or the loss, to the session.
namespace win32 {

class SerialPort : public core::SerialPort
{
public:
    SerialPort();
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    core::Outcome open(int port) override;
    void close() override;
    core::Outcome reopen(int port) override;
    core::Outcome send(std::string_view bytes) override;
    bool bytesWaiting() const override;
    // Windows names the port itself: there is no device behind it to show.
    std::string device(int port) const override;

    HANDLE readEvent() const { return m_read.hEvent; }
    // For the message loop, once readEvent() is signalled.
    void handOver(core::Session& session);

private:
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    core::Outcome setLine(int port);
    std::string collect();
    core::Outcome readQueued(std::string& bytes);
    core::Outcome startRead();

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    // Held while the port is open: this program's claim to be the port's one reader.
    HANDLE m_reader = nullptr;
    OVERLAPPED m_read = {};
    bool m_readPending = false;
    char m_byte = 0;
    // Why the line was lost, once it was and until the message loop has said so.
    std::string m_lost;
};

} // namespace win32
