#include "qt/DosDevices.h"

#include "core/Captions.h"
#include "core/PathRules.h"
#include "core/PortChoice.h"
#include "qt/Text.h"
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
    if (const core::Outcome named = core::checkPortNumber(port); !named.ok())
        return core::Result<QString>::failure(named.reason());
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
    const core::Result<core::DrivePath> read = core::readDrivePath(path.toStdString());
    if (!read.ok())
        return core::Result<QString>::failure(read.reason());
    const core::DrivePath& named = *read.value();
    if (named.drive.empty())
        return path;
    const QString drive = qt::text(named.drive) + QLatin1Char(':');
    const QString root = m_winePrefix + QStringLiteral("/dosdevices/") + drive;
    if (!QFileInfo(root).isDir()) {
        return core::Result<QString>::failure(
            core::captions::driveNotMapped(drive.toUpper().toStdString(), root.toStdString()));
    }
    return findIgnoringCase(root, qt::text(named.rest));
}
