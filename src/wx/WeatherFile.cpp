#include "wx/WeatherFile.h"

#include "link/DosDevices.h"

#include <QSaveFile>

namespace WeatherFile {

QString write(const QString& path, const QByteArray& contents)
{
    QString error;
    const QString target = DosDevices::hostPath(path, &error);
    if (target.isEmpty())
        return error;

    QSaveFile file(target);
    // Unbuffered, so a full disk fails the write itself: with a buffer, the failure comes
    // only when commit() flushes it, and Qt 6.4 then still puts the empty file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.write(contents) != contents.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace WeatherFile
