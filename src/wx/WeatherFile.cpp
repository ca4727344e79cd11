#include "wx/WeatherFile.h"

#include "link/DosDevices.h"
#include "wx/WriteTarget.h"

#include <QSaveFile>

namespace WeatherFile {

QString write(const QString& path, const QByteArray& contents)
{
    QString error;
    const QString target = DosDevices::hostPath(path, &error);
    if (target.isEmpty())
        return error;

    // The check and the write mean the same file: the save goes to the end of the links.
    const WriteTarget resolved = WriteTarget::find(target);
    if (!resolved.refusal.isEmpty())
        return resolved.refusal;
    QSaveFile file(resolved.file);
    file.setDirectWriteFallback(resolved.inPlace);
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
