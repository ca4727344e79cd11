#pragma once

#include <QByteArray>
#include <QString>

// Replaces the weather file whole and at once: the new text goes to a temporary file beside
// it, which then takes the old file's place. A reader sees the old file or the new one,
// never a half-written or empty one, and a failed write leaves the old file as it was.
namespace WeatherFile {

// Writes to the file that path names (drive-letter paths go through Wine's drive links).
// Returns an empty text on success, else the reason.
QString write(const QString& path, const QByteArray& contents);

} // namespace WeatherFile
