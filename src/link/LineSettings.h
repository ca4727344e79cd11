#pragma once

#include <QSerialPort>
#include <QString>
#include <optional>

// A serial line's settings in the form "9600,n,8,2": baud, parity, data bits, stop bits.
struct LineSettings
{
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::TwoStop;

    static std::optional<LineSettings> parse(const QString& text);
    QString toString() const;
};
