#include "wx/WeatherFile.h"

#include "wine/DosDevices.h"
#include "wx/WriteTarget.h"

#include <QSaveFile>

namespace WeatherFile {

Result<Done> write(const DosDevices& dosDevices, const QString& path, const QByteArray& contents)
{
    const Result<QString> target = dosDevices.hostPath(path);
    if (!target.ok())
        return Result<Done>::failure(target.reason());

    // The check and the write mean the same file: the save goes to the end of the links.
    const Result<WriteTarget> resolved = WriteTarget::find(target.value());
    if (!resolved.ok())
        return Result<Done>::failure(resolved.reason());
    QSaveFile file(resolved.value().file);
    file.setDirectWriteFallback(resolved.value().inPlace);
    // Unbuffered, so a full disk fails the write itself: with a buffer, the failure comes
    // only when commit() flushes it, and Qt 6.4 then still puts the empty file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Result<Done>::failure(file.errorString());
    if (file.write(contents) != contents.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Result<Done>::failure(reason);
    }
    if (!file.commit())
        return Result<Done>::failure(file.errorString());
    return Done{};
}

} // namespace WeatherFile
