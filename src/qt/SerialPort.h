#pragma once

#include "core/Platform.h"

#include <QObject>
#include <QSerialPort>
#include <functional>

class DosDevices;

namespace qt {

// The serial line to the thermometer on QSerialPort: COM port numbers are found through the
// Wine prefix's mapping, bytes travel as they are and are handed on as soon as they come, and
// a device that goes away closes the port, to be opened again by the next reading.
class SerialPort : public QObject, public core::SerialPort
{
    Q_OBJECT

public:
    // COM port numbers are found through dosDevices, which must outlive the line.
    explicit SerialPort(const DosDevices& dosDevices, QObject* parent = nullptr);

    core::Outcome open(int port) override;
    void close() override;
    core::Outcome reopen(int port) override;
    core::Outcome send(std::string_view bytes) override;
    bool bytesWaiting() const override;
    std::string device(int port) const override;

    // Where the bytes and the loss of the device go: the session's lineData and lineLost.
    void onData(std::function<void(std::string_view)> received);
    void onLost(std::function<void(const std::string&)> lost);

    bool isOpen() const { return m_port.isOpen(); }
    // The device the port was opened as (a pseudo-terminal path in tests).
    QString devicePath() const { return m_device; }
    qint64 waitingBytes() const { return m_port.isOpen() ? m_port.bytesAvailable() : 0; }
    // DTR and RTS were raised on the open line (a line without modem-control lines, such as a
    // pseudo-terminal, cannot show them).
    bool controlLinesRaised() const;
    // The line settings the port runs with, written as "9600,n,8,2".
    QString lineSettings() const;

signals:
    void opened(const QString& device);

private:
    void readAll();
    void onError(QSerialPort::SerialPortError error);
    core::Outcome setLine();

    const DosDevices& m_dosDevices;
    QSerialPort m_port;
    QString m_device;
    // The port m_device was looked up for.
    int m_devicePort = 0;
    bool m_controlLinesRaised = false;
    std::function<void(std::string_view)> m_received;
    std::function<void(const std::string&)> m_lost;
};

} // namespace qt
