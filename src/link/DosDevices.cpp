#include "link/DosDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace DosDevices {

QString winePrefix()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : prefix;
}

QString serialDevice(int port, QString* error)
{
    if (port < 1) {
        *error = QStringLiteral("there is no COM%1").arg(port);
        return {};
    }
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    const QFileInfo link(winePrefix() + QStringLiteral("/dosdevices/com%1").arg(port));
    if (link.isSymLink())
        return link.symLinkTarget();
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

QString hostPath(const QString& path, QString* error)
{
    if (path.trimmed().isEmpty()) {
        *error = QStringLiteral("no path is set");
        return {};
    }
#ifdef Q_OS_WIN
    return path;
#else
    static const QRegularExpression drivePath(QStringLiteral("^([A-Za-z]):[\\\\/](.*)$"));
    const QRegularExpressionMatch match = drivePath.match(path);
    if (!match.hasMatch()) {
        // A Windows-style name here would become a file with backslashes in its name.
        static const QRegularExpression windowsOnly(QStringLiteral("\\\\|^[A-Za-z]:"));
        if (windowsOnly.match(path).hasMatch()) {
            *error = QStringLiteral("not a path this system can write");
            return {};
        }
        return path;
    }
    const QString drive = match.captured(1).toLower() + QLatin1Char(':');
    const QString root = winePrefix() + QStringLiteral("/dosdevices/") + drive;
    if (!QFileInfo(root).isDir()) {
        *error =
            QStringLiteral("drive %1 is not mapped (%2 is missing)").arg(drive.toUpper(), root);
        return {};
    }
    QString rest = match.captured(2);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return root + QLatin1Char('/') + rest;
#endif
}

} // namespace DosDevices
