#include "link/DosDevices.h"

#include <QDir>
#include <QFileInfo>

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
    // Character tests, not regular expressions: a match fails outright on text that is not
    // valid UTF-16 (a lone surrogate from an escape in the settings file), and a failed
    // match let a path with backslashes through.
    const auto isDriveLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    const bool hasDrive = path.size() >= 2 && isDriveLetter(path[0]) && path[1] == u':';
    if (!hasDrive || path.size() < 3 || (path[2] != u'\\' && path[2] != u'/')) {
        // A Windows-style name here would become a file with backslashes in its name.
        if (hasDrive || path.contains(QLatin1Char('\\'))) {
            *error = QStringLiteral("not a path this system can write");
            return {};
        }
        return path;
    }
    const QString drive = path.left(1).toLower() + QLatin1Char(':');
    const QString root = winePrefix() + QStringLiteral("/dosdevices/") + drive;
    if (!QFileInfo(root).isDir()) {
        *error =
            QStringLiteral("drive %1 is not mapped (%2 is missing)").arg(drive.toUpper(), root);
        return {};
    }
    QString rest = path.mid(3);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // ".." at the top of a drive stays there, as on Windows, instead of leaving the drive.
    QString clean = QDir::cleanPath(QLatin1Char('/') + rest);
    while (clean.startsWith(QLatin1String("/..")))
        clean.remove(0, 3);
    return root + (clean.isEmpty() ? QStringLiteral("/") : clean);
#endif
}

} // namespace DosDevices
