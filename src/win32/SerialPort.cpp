#include "SerialPort.h"

#include "Text.h"
#include "core/Captions.h"
#include "core/LineSettings.h"
#include "core/PortChoice.h"
#include "core/Session.h"

#include <algorithm>

namespace win32 {

namespace {

// A write that a wedged adapter never takes gives up after this long, so sending the command
// can never hang the window.
constexpr DWORD kWriteTimeoutMs = 1000;

// Waits for a transfer that began with `started` (ReadFile's or WriteFile's result): 0 once it
// is done, else the system's error.
DWORD finish(HANDLE handle, BOOL started, OVERLAPPED& transfer, DWORD& count)
{
    if (!started && GetLastError() == ERROR_IO_PENDING)
        started = GetOverlappedResult(handle, &transfer, &count, TRUE);
    return started ? ERROR_SUCCESS : GetLastError();
}

} // namespace

SerialPort::SerialPort()
{
    m_read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

SerialPort::~SerialPort()
{
    close();
    CloseHandle(m_read.hEvent);
}

core::Outcome SerialPort::open(int port)
{
    close();
    if (const core::Outcome named = core::checkPortNumber(port); !named.ok())
        return named;
    // Wine lets a second program open a port that one already holds, and the two would split
    // the thermometer's answers between them: one named mutex a port keeps this program to one
    // reader, in every Windows and under Wine alike.
    const std::wstring reader = L"Global\\UiQuorvix-COM" + std::to_wstring(port);
    m_reader = CreateMutexW(nullptr, TRUE, reader.c_str());
    if (!m_reader || GetLastError() == ERROR_ALREADY_EXISTS) {
        close();
        return core::Outcome::failure(core::captions::portInUse());
    }
    // The \\.\ form names COM10 and above too.
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(port);
    m_handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (m_handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        close();
        if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
            return core::Outcome::failure(core::captions::portInUse());
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return core::Outcome::failure(core::captions::noDeviceBehind(port));
        return core::Outcome::failure(errorText(error));
    }
    core::Outcome ready = setLine(port);
    if (ready.ok())
        ready = startRead();
    if (!ready.ok())
        close();
    return ready;
}

core::Outcome SerialPort::setLine(int port)
{
    DCB line = {};
    line.DCBlength = sizeof line;
    // Under Wine a COM port whose name leads to no serial device (a built-in port with no chip
    // behind it, or not a terminal at all) opens, and only asking for its line settings fails.
    if (!GetCommState(m_handle, &line))
        return core::Outcome::failure(core::captions::noDeviceBehind(port));
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
    if (!SetCommState(m_handle, &line))
        return core::Outcome::failure(core::captions::lineSettingsRefused());
    // A line without modem-control lines (a pseudo-terminal, some adapters) refuses DTR and
    // RTS; that is no fault of the line.
    EscapeCommFunction(m_handle, SETDTR);
    EscapeCommFunction(m_handle, SETRTS);

    // A read waits for its bytes however long the thermometer is silent; a write gives up.
    // Without these, a write could hang the window, and a read end empty as if unplugged.
    COMMTIMEOUTS timeouts = {};
    timeouts.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(m_handle, &timeouts))
        return core::Outcome::failure(core::captions::lineSettingsRefused());
    // A real line drops what came while it was closed.
    PurgeComm(m_handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    return core::Done{};
}

void SerialPort::close()
{
    if (m_reader) {
        ReleaseMutex(m_reader);
        CloseHandle(m_reader);
        m_reader = nullptr;
    }
    m_lost.clear();
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
}

core::Outcome SerialPort::reopen(int port)
{
    return isOpen() ? core::Outcome(core::Done{}) : open(port);
}

core::Outcome SerialPort::send(std::string_view bytes)
{
    if (!isOpen())
        return core::Outcome::failure(core::captions::lineClosed());
    OVERLAPPED write = {};
    write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    const DWORD error =
        finish(m_handle, WriteFile(m_handle, bytes.data(), DWORD(bytes.size()), &written, &write),
               write, written);
    CloseHandle(write.hEvent);
    if (error == ERROR_SUCCESS && written == bytes.size())
        return core::Done{};
    return core::Outcome::failure(error == ERROR_SUCCESS ? core::captions::commandNotTaken()
                                                         : errorText(error));
}

// The message loop hands the bytes over once it sees the read event; this only asks.
bool SerialPort::bytesWaiting() const
{
    if (!isOpen() || !m_readPending)
        return false;
    // Wine finishes an overlapped read only when the thread next speaks to its server: a wait
    // of no time lets it, and tells whether the read is done.
    return WaitForSingleObject(m_read.hEvent, 0) == WAIT_OBJECT_0;
}

std::string SerialPort::device(int) const
{
    return {};
}

void SerialPort::handOver(core::Session& session)
{
    if (isOpen() && m_readPending) {
        DWORD count = 0;
        if (GetOverlappedResult(m_handle, &m_read, &count, FALSE)) {
            m_readPending = false;
            if (count > 0) {
                // A failure after these bytes leaves the event set: the next turn reports it.
                session.lineData(collect());
                return;
            }
            // A read without a time limit that ends empty found a line that hung up.
            m_lost = core::captions::deviceStoppedAnswering();
        } else {
            const DWORD error = GetLastError();
            if (error == ERROR_IO_INCOMPLETE)
                return;
            m_readPending = false;
            m_lost = errorText(error);
        }
    }
    if (m_lost.empty())
        return;
    const std::string reason = m_lost;
    close();
    session.lineLost(reason);
}

// The byte the finished read brought and the bytes that came with it are taken together, so
// the exchange sees them at once; then the next read starts.
std::string SerialPort::collect()
{
    m_readPending = false;
    std::string bytes(1, m_byte);
    core::Outcome more = readQueued(bytes);
    if (more.ok())
        more = startRead();
    if (!more.ok()) {
        m_lost = more.reason();
        SetEvent(m_read.hEvent);
    }
    return bytes;
}

core::Outcome SerialPort::readQueued(std::string& bytes)
{
    COMSTAT status = {};
    DWORD errors = 0;
    if (!ClearCommError(m_handle, &errors, &status) || status.cbInQue == 0)
        return core::Done{};
    // A line that floods is handed over in pieces, so the window keeps answering between them.
    std::string queued(std::min<DWORD>(status.cbInQue, DWORD(core::kReceiveBufferBytes)), '\0');
    OVERLAPPED read = {};
    read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD count = 0;
    // The bytes are there already: this wait is a short one.
    const DWORD error =
        finish(m_handle, ReadFile(m_handle, queued.data(), DWORD(queued.size()), &count, &read),
               read, count);
    CloseHandle(read.hEvent);
    if (error != ERROR_SUCCESS)
        return core::Outcome::failure(errorText(error));
    bytes.append(queued, 0, count);
    return core::Done{};
}

// One byte at a time is waited for: a read without a time limit ends only when its whole
// length has come.
core::Outcome SerialPort::startRead()
{
    ResetEvent(m_read.hEvent);
    m_read.Offset = 0;
    m_read.OffsetHigh = 0;
    DWORD count = 0;
    if (ReadFile(m_handle, &m_byte, 1, &count, &m_read) || GetLastError() == ERROR_IO_PENDING) {
        // Done at once or later, the event is signalled and the bytes are taken then.
        m_readPending = true;
        return core::Done{};
    }
    return core::Outcome::failure(errorText(GetLastError()));
}

} // namespace win32
