#pragma once

#include "core/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// How Windows names (COM ports, drive-letter paths) reach devices and files on this machine:
// through the table of links in a Wine prefix, <prefix>/dosdevices, so the program serves a host
// program running under Wine: comN names the serial device, "c:" the folder behind drive C.
// Start-up names the prefix.
class DosDevices
{
public:
    explicit DosDevices(QString winePrefix) : m_winePrefix(std::move(winePrefix)) {}

    QString winePrefix() const { return m_winePrefix; }

    // The device for COM port N.
    core::Result<QString> serialDevice(int port) const;
    // The file that a weather-file path names here.
    core::Result<QString> hostPath(const QString& path) const;

private:
    QByteArray systemRegistry() const;

    QString m_winePrefix;
    // The registry file is read again only when it changes: each reading asks for the device.
    mutable QDateTime m_registryTime;
    mutable qint64 m_registrySize = -1;
    mutable QByteArray m_registry;
};
