#include "SerialLine.h"

#include "Text.h"
#include "core/PortChoice.h"
#include "core/SampleCaptions.h"

#include <algorithm>
#include <string>

namespace {
constexpr DWORD kWriteTimeoutMs = 1000;
}

SerialLine::SerialLine()
{
    m_read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

SerialLine::~SerialLine()
{
    close();
    CloseHandle(m_read.hEvent);
}

bool SerialLine::open(int port)
{
    close();
    m_port = port;
    if (port < 1) {
        m_lastError = core::captions::noSuchPort(port);
        return false;
    }
    // Wine lets a second program open a port that one already holds, and the two would split
    // the thermometer's answers between them: one named mutex a port keeps this program to one
    // reader, in every Windows and under Wine alike.
    const std::wstring reader = L"Global\\UiQuorvix-COM" + std::to_wstring(port);
    m_reader = CreateMutexW(nullptr, TRUE, reader.c_str());
    if (!m_reader || GetLastError() == ERROR_ALREADY_EXISTS) {
        m_lastError = core::captions::portInUse();
        close();
        return false;
    }
    // The \\.\ form names COM10 and above too.
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(port);
    m_handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_lastError = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION
                          ? core::captions::portInUse()
                          : win::errorText(error);
        close();
        return false;
    }

    DCB line = {};
    line.DCBlength = sizeof line;
    GetCommState(m_handle, &line);
    line.BaudRate = DWORD(core::kLineBaud);
    line.ByteSize = BYTE(core::kLineDataBits);
    line.Parity = NOPARITY;
    line.StopBits = core::kLineStopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fNull = FALSE;
    line.fAbortOnError = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    if (!SetCommState(m_handle, &line)) {
        m_lastError = core::captions::lineSettingsRefused(core::kPortLineSettings);
        close();
        return false;
    }
    // A line without modem-control lines (a pseudo-terminal, some adapters) refuses DTR and
    // RTS; that is no fault of the line.
    EscapeCommFunction(m_handle, SETDTR);
    EscapeCommFunction(m_handle, SETRTS);

    // A read waits for its bytes, however long the thermometer is silent; a write that a
    // wedged adapter never takes gives up, so sending the command can never hang the window.
    COMMTIMEOUTS timeouts = {};
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    SetCommTimeouts(m_handle, &timeouts);
    // A real line drops what came while it was closed.
    PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    m_received.clear();
    m_lastError.clear();
    return startRead();
}

void SerialLine::close()
{
    if (m_reader) {
        ReleaseMutex(m_reader);
        CloseHandle(m_reader);
        m_reader = nullptr;
    }
    if (m_handle == INVALID_HANDLE_VALUE)
        return;
    if (m_readPending) {
        CancelIo(m_handle);
        DWORD ignored = 0;
        GetOverlappedResult(m_handle, &m_read, &ignored, TRUE);
        m_readPending = false;
    }
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    ResetEvent(m_read.hEvent);
    m_received.clear();
}

bool SerialLine::send(const std::string& bytes)
{
    if (!isOpen())
        return false;
    OVERLAPPED write = {};
    write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    BOOL done = WriteFile(m_handle, bytes.data(), DWORD(bytes.size()), &written, &write);
    if (!done && GetLastError() == ERROR_IO_PENDING)
        done = GetOverlappedResult(m_handle, &write, &written, TRUE);
    const DWORD error = GetLastError();
    CloseHandle(write.hEvent);
    if (done && written == bytes.size())
        return true;
    m_lastError = done ? "the line did not take the command in time" : win::errorText(error);
    return false;
}

SerialLine::Event SerialLine::onReadEvent()
{
    if (!isOpen() || !m_readPending)
        return Event::Nothing;
    DWORD count = 0;
    if (!GetOverlappedResult(m_handle, &m_read, &count, FALSE)) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_INCOMPLETE)
            return Event::Nothing;
        m_readPending = false;
        fail(win::errorText(error).c_str());
        return Event::Lost;
    }
    m_readPending = false;
    // A read without a time limit that ends empty found a line that hung up; reading again
    // would only spin.
    if (count == 0) {
        fail(core::captions::deviceStoppedAnswering().c_str());
        return Event::Lost;
    }
    m_received.assign(m_buffer, count);
    if (!takeWaiting() || !startRead())
        return Event::Lost;
    return Event::Data;
}

// The bytes that came with the first one are taken at once, so an exchange sees them together.
bool SerialLine::takeWaiting()
{
    COMSTAT status = {};
    DWORD errors = 0;
    if (!ClearCommError(m_handle, &errors, &status) || status.cbInQue == 0)
        return true;
    std::string waiting(std::min<DWORD>(status.cbInQue, kMaxTake), '\0');
    OVERLAPPED read = {};
    read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD count = 0;
    BOOL done = ReadFile(m_handle, waiting.data(), DWORD(waiting.size()), &count, &read);
    if (!done && GetLastError() == ERROR_IO_PENDING)
        done = GetOverlappedResult(m_handle, &read, &count, TRUE); // the bytes are there
    const DWORD error = GetLastError();
    CloseHandle(read.hEvent);
    if (!done) {
        fail(win::errorText(error).c_str());
        return false;
    }
    m_received.append(waiting, 0, count);
    return true;
}

// One byte at a time is waited for: a read without a time limit ends only when its whole
// length has come.
bool SerialLine::startRead()
{
    ResetEvent(m_read.hEvent);
    m_read.Offset = 0;
    m_read.OffsetHigh = 0;
    DWORD count = 0;
    if (ReadFile(m_handle, m_buffer, 1, &count, &m_read) || GetLastError() == ERROR_IO_PENDING) {
        // Done at once or later, the event is signalled and onReadEvent() takes the bytes.
        m_readPending = true;
        return true;
    }
    fail(win::errorText(GetLastError()).c_str());
    return false;
}

void SerialLine::fail(const char* what)
{
    m_lastError = what;
    close();
}
