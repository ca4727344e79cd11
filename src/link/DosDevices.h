#pragma once

#include <QString>

// How Windows names (COM ports, drive-letter paths) reach devices and files on this machine.
// On Windows they are used as they are. Elsewhere they go through Wine's table of links,
// $WINEPREFIX/dosdevices (prefix ~/.wine by default), so the program serves a host program
// running under Wine: comN names the serial device, "c:" the folder behind drive C.
namespace DosDevices {

QString winePrefix();

// The device for COM port N, or an empty text (with the reason in error) when there is none.
QString serialDevice(int port, QString* error);

// The file that a weather-file path names here, or an empty text (with the reason in error).
QString hostPath(const QString& path, QString* error);

} // namespace DosDevices
