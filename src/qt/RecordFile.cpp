#include "qt/RecordFile.h"

#include "core/RecordLine.h"
#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace qt {

QString RecordFile::defaultPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is ignored, as for every XDG base folder: the record must not
    // move with the folder the program was started in.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return pathIn(state);
}

QString RecordFile::pathIn(const QString& stateHome)
{
    return stateHome + QLatin1Char('/') + QLatin1String(core::kOrganisation) + QLatin1Char('/') +
           QLatin1String(core::kRecordFileName);
}

namespace {

// The folders are made only when the file cannot be opened, not on every line: the folder is
// there on all but the first line, unless someone took it away meanwhile.
bool openToAppend(QFile& file)
{
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    QDir().mkpath(QFileInfo(file.fileName()).path());
    return file.open(QIODevice::WriteOnly | QIODevice::Append);
}

} // namespace

// Every failure is let go: a record that cannot be written must not hold a reading up.
void RecordFile::add(const std::string& line)
{
    const QByteArray bytes = QByteArray::fromStdString(line + "\n");
    QFile file(m_path);
    if (!openToAppend(file))
        return;
    if (std::uintmax_t(file.size()) + std::uintmax_t(bytes.size()) > core::kRecordFileBytes) {
        file.close();
        // One step that replaces the file before it, so a record is never without both.
        const QByteArray older =
            QFile::encodeName(m_path + QLatin1String(core::kOlderRecordSuffix));
        std::rename(QFile::encodeName(m_path).constData(), older.constData());
        if (!openToAppend(file))
            return;
    }
    file.write(bytes);
}

} // namespace qt
