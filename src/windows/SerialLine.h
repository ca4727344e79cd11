#pragma once

#include <string>
#include <windows.h>

// The serial line to the thermometer: a numbered COM port at 9600 baud, no parity, 8 data
// bits, 2 stop bits, DTR and RTS raised. Reads are overlapped: readEvent() is signalled when
// bytes came or the device went away, so the message loop sleeps until then.
class SerialLine
{
public:
    enum class Event
    {
        Nothing,
        Data, // received() holds the bytes
        Lost, // the device went away; the port is closed, lastError() says why
    };

    SerialLine();
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    bool open(int port);
    void close();
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    int port() const { return m_port; }
    const std::string& lastError() const { return m_lastError; }

    bool send(const std::string& bytes);

    HANDLE readEvent() const { return m_read.hEvent; }
    // Called when readEvent() is signalled.
    Event onReadEvent();
    // The bytes of the last Data event; a line that floods hands them over in bounded pieces.
    static constexpr DWORD kMaxTake = 1024;
    const std::string& received() const { return m_received; }

private:
    bool startRead();
    bool takeWaiting();
    void fail(const char* what);

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    // Held while the port is open: this program's claim to be the port's one reader.
    HANDLE m_reader = nullptr;
    OVERLAPPED m_read = {};
    bool m_readPending = false;
    char m_buffer[1] = {};
    std::string m_received;
    int m_port = 0;
    std::string m_lastError;
};
