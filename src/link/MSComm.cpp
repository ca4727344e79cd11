#include "link/MSComm.h"

#include "core/SampleCaptions.h"
#include "wine/DosDevices.h"

namespace {

// The receive buffer of the thermometer's line: a device that floods the line cannot make
// the program grow; once it is full the rest waits in the system's own buffer.
constexpr qint64 kReceiveBufferSize = 1024;

} // namespace

MSComm::MSComm(const DosDevices& dosDevices, QObject* parent)
    : QObject(parent), m_dosDevices(dosDevices)
{
    m_port.setReadBufferSize(kReceiveBufferSize);
    connect(&m_port, &QSerialPort::readyRead, this, &MSComm::dataArrived);
    connect(&m_port, &QSerialPort::errorOccurred, this, &MSComm::onError);
}

bool MSComm::setPortOpen(bool open)
{
    if (!open) {
        if (m_port.isOpen())
            m_port.close();
        return true;
    }
    const Result<QString> found = m_dosDevices.serialDevice(m_commPort);
    if (m_port.isOpen()) {
        // The port's link was pointed elsewhere (an adapter plugged in again under another
        // name): follow it, as Wine does.
        if (found.ok() && found.value() == m_device)
            return true;
        m_port.close();
    }
    if (!found.ok()) {
        m_lastError = found.reason();
        return false;
    }
    const QString& device = found.value();
    m_device = device;
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        // Qt reports a port that another program holds as a failure to lock it.
        m_lastError = m_port.error() == QSerialPort::PermissionError
                          ? QString::fromStdString(core::captions::portInUse())
                          : m_port.errorString();
        m_port.clearError();
        return false;
    }
    m_lastError.clear();
    // A real line drops what came while it was closed; a pseudo-terminal would keep it.
    m_port.clear(QSerialPort::Input);
    if (!applySettings()) {
        m_lastError =
            QString::fromStdString(core::captions::lineSettingsRefused(Settings().toStdString()));
        m_port.close();
        return false;
    }
    // DTR and RTS carry their last setting over to the newly opened line.
    setDTREnable(m_dtr);
    setRTSEnable(m_rts);
    emit opened(device);
    return true;
}

bool MSComm::setSettings(const QString& settings)
{
    const auto parsed = LineSettings::parse(settings);
    if (!parsed) {
        m_lastError = QStringLiteral("\"%1\" are not line settings").arg(settings);
        return false;
    }
    m_settings = *parsed;
    return !m_port.isOpen() || applySettings();
}

bool MSComm::applySettings()
{
    return m_port.setBaudRate(m_settings.baud) && m_port.setParity(m_settings.parity) &&
           m_port.setDataBits(m_settings.dataBits) && m_port.setStopBits(m_settings.stopBits) &&
           m_port.setFlowControl(QSerialPort::NoFlowControl);
}

// A line without modem-control lines (a pseudo-terminal, some adapters) refuses DTR and RTS;
// that is no fault of the line, so the refusal is cleared and forgotten.
void MSComm::setDTREnable(bool raised)
{
    m_dtr = raised;
    if (m_port.isOpen() && !m_port.setDataTerminalReady(raised))
        m_port.clearError();
}

void MSComm::setRTSEnable(bool raised)
{
    m_rts = raised;
    if (m_port.isOpen() && !m_port.setRequestToSend(raised))
        m_port.clearError();
}

bool MSComm::Output(const QByteArray& bytes)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(bytes) == bytes.size())
        return true;
    m_lastError = m_port.errorString();
    m_port.clearError();
    return false;
}

QByteArray MSComm::Input()
{
    if (!m_port.isOpen())
        return {};
    return m_inputLen > 0 ? m_port.read(m_inputLen) : m_port.readAll();
}

void MSComm::readWaiting()
{
    // A zero timeout polls: it reads what is there and never waits. Finding nothing counts
    // as a time-out to Qt, which is no fault of the line.
    if (m_port.isOpen() && !m_port.waitForReadyRead(0) &&
        m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
}

void MSComm::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ResourceError && error != QSerialPort::ReadError &&
        error != QSerialPort::WriteError)
        return;
    if (!m_port.isOpen())
        return;
    // The device went away under an open port (an adapter unplugged, a hung-up line).
    // A port left open in that state reports the same error over and over, so it is
    // closed at once, to be opened again on a later exchange.
    m_lastError = error == QSerialPort::ResourceError
                      ? m_port.errorString()
                      : QString::fromStdString(core::captions::deviceStoppedAnswering());
    m_port.clearError();
    m_port.close();
    emit lineLost(
        QString::fromStdString(core::captions::lost(m_commPort, m_lastError.toStdString())));
}
