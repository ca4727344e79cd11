#include "qt/DosDevices.h"

#include "core/Captions.h"
#include "core/PathRules.h"
#include "qt/WinePorts.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

// Each name after the drive as Wine finds it: the exact name if it is there, else the first
// that differs only in case; a name found in neither way stays as typed, and so does the rest.
QString findIgnoringCase(const QString& root, const QString& rest)
{
    QString found = root;
    const QStringList names = rest.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return root + QLatin1Char('/');
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString exact = found + QLatin1Char('/') + names[i];
        const QFileInfo info(exact);
        if (info.exists() || info.isSymLink()) {
            found = exact;
            continue;
        }
        const QStringList entries = QDir(found).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        const auto match = std::find_if(entries.begin(), entries.end(), [&](const QString& e) {
            return e.compare(names[i], Qt::CaseInsensitive) == 0;
        });
        if (match == entries.end())
            return found + QLatin1Char('/') + names.mid(i).join(QLatin1Char('/'));
        found += QLatin1Char('/') + *match;
    }
    return found;
}

} // namespace

QByteArray DosDevices::systemRegistry() const
{
    const QFileInfo info(m_winePrefix + QStringLiteral("/system.reg"));
    if (info.lastModified() != m_registryTime || info.size() != m_registrySize) {
        QFile file(info.filePath());
        m_registry = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        m_registryTime = info.lastModified();
        m_registrySize = info.size();
    }
    return m_registry;
}

core::Result<QString> DosDevices::serialDevice(int port) const
{
    if (port < 1)
        return core::Result<QString>::failure(core::captions::noSuchPort(port));
    const QString named = WinePorts::deviceIn(systemRegistry(), port);
    if (!named.isEmpty())
        return named;
    const QFileInfo link(m_winePrefix + QStringLiteral("/dosdevices/com%1").arg(port));
    if (link.isSymLink())
        return link.symLinkTarget();
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
}

core::Result<QString> DosDevices::hostPath(const QString& path) const
{
    const QByteArray utf8 = path.toUtf8();
    const std::string_view text(utf8.constData(), size_t(utf8.size()));
    if (const core::Outcome checked = core::checkPathText(text); !checked.ok())
        return core::Result<QString>::failure(checked.reason());
    // Character tests, not regular expressions: a match fails outright on text that is not
    // valid UTF-16 (a lone surrogate from an escape in the settings file), and a failed
    // match let a path with backslashes through.
    const auto isDriveLetter = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    const bool hasDrive = path.size() >= 2 && isDriveLetter(path[0]) && path[1] == u':';
    if (!hasDrive || path.size() < 3 || (path[2] != u'\\' && path[2] != u'/')) {
        // A Windows-style name here would become a file with backslashes in its name.
        if (hasDrive || path.contains(QLatin1Char('\\')))
            return core::Result<QString>::failure(core::captions::notAPathHere());
        return path;
    }
    const QString drive = path.left(1).toLower() + QLatin1Char(':');
    const QString root = m_winePrefix + QStringLiteral("/dosdevices/") + drive;
    if (!QFileInfo(root).isDir()) {
        return core::Result<QString>::failure(
            core::captions::driveNotMapped(drive.toUpper().toStdString(), root.toStdString()));
    }
    QString rest = path.mid(3);
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // ".." at the top of a drive stays there, as on Windows, instead of leaving the drive.
    QString clean = QDir::cleanPath(QLatin1Char('/') + rest);
    // Only a whole ".." name: "/...." is a name of its own.
    while (clean == QLatin1String("/..") || clean.startsWith(QLatin1String("/../")))
        clean.remove(0, 3);
    // Wine, like Windows, opens a device for a name such as NUL.txt on a drive.
    const QByteArray cleanUtf8 = clean.toUtf8();
    if (const auto checked = core::refuseWindowsDevices(
            std::string_view(cleanUtf8.constData(), size_t(cleanUtf8.size())));
        !checked.ok())
        return core::Result<QString>::failure(checked.reason());
    return findIgnoringCase(root, clean);
}
