#include "link/LineSettings.h"

#include <QStringList>

std::optional<LineSettings> LineSettings::parse(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;

    LineSettings settings;
    bool ok = false;
    settings.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || settings.baud <= 0)
        return std::nullopt;

    const QString parity = parts[1].trimmed().toLower();
    if (parity == QLatin1String("n"))
        settings.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        settings.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        settings.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        settings.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        settings.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const int dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || dataBits < 5 || dataBits > 8)
        return std::nullopt;
    settings.dataBits = static_cast<QSerialPort::DataBits>(dataBits);

    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1"))
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        settings.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return settings;
}

QString LineSettings::toString() const
{
    const char* parityLetter = "n";
    switch (parity) {
    case QSerialPort::EvenParity:
        parityLetter = "e";
        break;
    case QSerialPort::OddParity:
        parityLetter = "o";
        break;
    case QSerialPort::MarkParity:
        parityLetter = "m";
        break;
    case QSerialPort::SpaceParity:
        parityLetter = "s";
        break;
    default:
        break;
    }
    const char* stop = stopBits == QSerialPort::OneStop          ? "1"
                       : stopBits == QSerialPort::OneAndHalfStop ? "1.5"
                                                                 : "2";
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baud)
        .arg(QLatin1String(parityLetter))
        .arg(int(dataBits))
        .arg(QLatin1String(stop));
}
