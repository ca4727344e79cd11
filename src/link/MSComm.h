#pragma once

#include "link/LineSettings.h"
#include "wine/DosDevices.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>

// The serial line to the thermometer, with the operations the window and the exchange use:
// open and close a numbered COM port, line settings, DTR and RTS, send bytes, count and
// take the bytes waiting. Bytes travel as single-byte characters and are never re-encoded.
// A failed operation leaves its reason in lastError() instead of stopping the program.
class MSComm : public QObject
{
    Q_OBJECT

public:
    // COM port numbers are found through dosDevices, which must outlive the line.
    explicit MSComm(const DosDevices& dosDevices, QObject* parent = nullptr);

    bool PortOpen() const { return m_port.isOpen(); }
    bool setPortOpen(bool open);

    qint16 CommPort() const { return m_commPort; }
    void setCommPort(qint16 port) { m_commPort = port; }

    QString Settings() const { return m_settings.toString(); }
    bool setSettings(const QString& settings);

    bool DTREnable() const { return m_dtr; }
    void setDTREnable(bool raised);
    bool RTSEnable() const { return m_rts; }
    void setRTSEnable(bool raised);

    // How many characters the next Input() takes; 0 takes all that wait.
    void setInputLen(int count) { m_inputLen = count; }
    bool Output(const QByteArray& bytes);
    qint64 InBufferCount() const { return m_port.isOpen() ? m_port.bytesAvailable() : 0; }
    QByteArray Input();
    // Reads what already waits in the system's buffer, without waiting; dataArrived() is
    // emitted before this returns when bytes came.
    void readWaiting();

    // The device or name the port was opened as (a pseudo-terminal path in tests).
    QString devicePath() const { return m_device; }
    QString lastError() const { return m_lastError; }

signals:
    void opened(const QString& device);
    void dataArrived();
    // "COM3 was lost: reason", ready for the caption.
    void lineLost(const QString& message);

private:
    void onError(QSerialPort::SerialPortError error);
    bool applySettings();

    const DosDevices& m_dosDevices;
    QSerialPort m_port;
    LineSettings m_settings;
    qint16 m_commPort = 1;
    int m_inputLen = 0;
    bool m_dtr = false;
    bool m_rts = false;
    QString m_lastError;
    QString m_device;
};
