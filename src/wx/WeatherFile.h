#pragma once

#include "util/Result.h"
#include "wine/DosDevices.h"

#include <QByteArray>
#include <QString>

// Replaces the weather file whole and at once: the new text goes to a temporary file beside
// it, which then takes the old file's place. A reader sees the old file or the new one,
// never a half-written or empty one, and a failed write leaves the old file as it was.
namespace WeatherFile {

// Writes to the file that path names (drive-letter paths go through the Wine prefix's drives).
// Only a regular file is replaced; a folder, pipe, device or socket at the path, a link that
// another user planted in a shared folder, or a path with a control character is refused
// and nothing is written. Where the folder lets no new file be made but the file itself may
// be written, it is written in place. A failure says why, and nothing was written.
Result<Done> write(const DosDevices& dosDevices, const QString& path, const QByteArray& contents);

} // namespace WeatherFile
