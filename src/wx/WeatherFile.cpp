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
    if (!file.open(QIODevice::WriteOnly))
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
