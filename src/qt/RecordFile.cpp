#include "qt/RecordFile.h"

#include "core/RecordLine.h"
#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qt {

QString RecordFile::defaultPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is ignored, as for every XDG base folder: the record must not
    // move with the folder the program was started in.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QLatin1Char('/') + QLatin1String(core::kOrganisation) + QLatin1Char('/') +
           QLatin1String(core::kRecordFileName);
}

// Every failure is let go: a record that cannot be written must not hold a reading up.
void RecordFile::add(const std::string& line)
{
    const QByteArray bytes = QByteArray::fromStdString(line + "\n");
    const QFileInfo current(m_path);
    QDir().mkpath(current.path());
    if (current.exists() &&
        std::uintmax_t(current.size()) + std::uintmax_t(bytes.size()) > core::kRecordFileBytes) {
        const QString older = m_path + QLatin1String(core::kOlderRecordSuffix);
        QFile::remove(older);
        QFile::rename(m_path, older);
    }
    QFile file(m_path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(bytes);
}

} // namespace qt
