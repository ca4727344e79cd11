#include "qt/SerialPort.h"

#include "core/Captions.h"
#include "core/LineSettings.h"
#include "core/PortChoice.h"
#include "qt/DosDevices.h"
#include "qt/Text.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace qt {

namespace {

core::Outcome failed(const QString& reason)
{
    return core::Outcome::failure(reason.toStdString());
}

} // namespace

SerialPort::SerialPort(const DosDevices& dosDevices, QObject* parent)
    : QObject(parent), m_dosDevices(dosDevices)
{
    m_port.setReadBufferSize(core::kReceiveBufferBytes);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::readAll);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

void SerialPort::onData(std::function<void(std::string_view)> received)
{
    m_received = std::move(received);
}

void SerialPort::onLost(std::function<void(const std::string&)> lost)
{
    m_lost = std::move(lost);
}

core::Outcome SerialPort::open(int port)
{
    close();
    const core::Result<QString> found = m_dosDevices.serialDevice(port);
    if (!found.ok())
        return core::Outcome::failure(found.reason());
    m_device = *found.value();
    m_devicePort = port;
    m_port.setPortName(m_device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString reason = m_port.errorString();
        m_port.clearError();
        if (error == QSerialPort::DeviceNotFoundError)
            return core::Outcome::failure(core::captions::noDeviceBehind(port));
        if (error != QSerialPort::PermissionError)
            return failed(reason);
        // Qt says the same of a device the user may not open (not in the dialout group) and of
        // one that another program holds locked.
        const QByteArray path = QFile::encodeName(m_device);
        if (::faccessat(AT_FDCWD, path.constData(), R_OK | W_OK, AT_EACCESS) != 0 &&
            errno == EACCES)
            return core::Outcome::failure(core::captions::portRefusedToUser());
        return core::Outcome::failure(core::captions::portInUse());
    }
    // A real line drops what came while it was closed; a pseudo-terminal would keep it.
    m_port.clear(QSerialPort::Input);
    if (const core::Outcome line = setLine(); !line.ok()) {
        m_port.close();
        return line;
    }
    emit opened(m_device);
    return core::Done{};
}

// 9600 baud, no parity, 8 data bits, 2 stop bits, DTR and RTS raised. A line without
// modem-control lines (a pseudo-terminal, some adapters) refuses DTR and RTS; that is no fault
// of the line, so the refusal is cleared and forgotten.
core::Outcome SerialPort::setLine()
{
    if (!m_port.setBaudRate(qint32(core::kLineBaud)) || !m_port.setParity(QSerialPort::NoParity) ||
        !m_port.setDataBits(QSerialPort::DataBits(core::kLineDataBits)) ||
        !m_port.setStopBits(core::kLineStopBits == 2 ? QSerialPort::TwoStop
                                                     : QSerialPort::OneStop) ||
        !m_port.setFlowControl(QSerialPort::NoFlowControl))
        return core::Outcome::failure(core::captions::lineSettingsRefused());
    if (!m_port.setDataTerminalReady(true))
        m_port.clearError();
    if (!m_port.setRequestToSend(true))
        m_port.clearError();
    m_controlLinesRaised = true;
    return core::Done{};
}

void SerialPort::close()
{
    m_controlLinesRaised = false;
    if (m_port.isOpen())
        m_port.close();
}

core::Outcome SerialPort::reopen(int port)
{
    // The port's link was pointed elsewhere (an adapter plugged in again under another
    // name): follow it, as Wine does.
    if (m_port.isOpen()) {
        const core::Result<QString> found = m_dosDevices.serialDevice(port);
        if (found.ok() && *found.value() == m_device)
            return core::Done{};
    }
    return open(port);
}

core::Outcome SerialPort::send(std::string_view bytes)
{
    if (!m_port.isOpen())
        return core::Outcome::failure(core::captions::lineClosed());
    if (m_port.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()))
        return core::Done{};
    const QString reason = m_port.errorString();
    m_port.clearError();
    return failed(reason);
}

// Asks the system without reading: Qt reads the bytes itself and hands them on through
// readyRead, the one way they reach the session.
bool SerialPort::bytesWaiting() const
{
    if (!m_port.isOpen())
        return false;
    if (m_port.bytesAvailable() > 0)
        return true;
    struct pollfd line = {};
    line.fd = int(m_port.handle());
    line.events = POLLIN;
    return ::poll(&line, 1, 0) > 0 && (line.revents & POLLIN) != 0;
}

// A user whose Wine prefix is missing, or whose link leads elsewhere, sees at once what the
// port was taken to be.
std::string SerialPort::device(int port) const
{
    // Every exchange names its port; the device last opened for it is the one it talks to, or
    // the one that was lost, and looking it up again would name whatever the prefix says now.
    if (port == m_devicePort && !m_device.isEmpty())
        return m_device.toStdString();
    const core::Result<QString> found = m_dosDevices.serialDevice(port);
    return found.ok() ? found.value()->toStdString() : std::string();
}

bool SerialPort::controlLinesRaised() const
{
    return m_port.isOpen() && m_controlLinesRaised;
}

QString SerialPort::lineSettings() const
{
    const char parity = m_port.parity() == QSerialPort::NoParity ? 'n' : '?';
    const int stopBits = m_port.stopBits() == QSerialPort::TwoStop ? 2 : 1;
    return QStringLiteral("%1,%2,%3,%4")
        .arg(m_port.baudRate())
        .arg(QLatin1Char(parity))
        .arg(int(m_port.dataBits()))
        .arg(stopBits);
}

void SerialPort::readAll()
{
    const QByteArray bytes = m_port.readAll();
    if (!bytes.isEmpty() && m_received)
        m_received(std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
        error != QSerialPort::WriteError)
        return;
    if (!m_port.isOpen())
        return;
    // The device went away under an open port (an adapter unplugged, a hung-up line). A port
    // left open in that state reports the same error over and over, so it is closed at once,
    // to be opened again on a later exchange.
    const std::string reason = error == QSerialPort::ResourceError
                                   ? m_port.errorString().toStdString()
                                   : core::captions::deviceStoppedAnswering();
    m_port.clearError();
    close();
    if (m_lost)
        m_lost(reason);
}

} // namespace qt
