#include "qt/WeatherWriter.h"

#include "qt/DosDevices.h"
#include "qt/Text.h"
#include "qt/WriteTarget.h"

#include <QSaveFile>

namespace qt {

namespace {

core::WeatherWriter::Attempt failed(const std::string& reason)
{
    return {core::WeatherWriter::State::Failed, reason};
}

} // namespace

core::WeatherWriter::Attempt WeatherWriter::write(const std::string& path,
                                                  const std::string& contents)
{
    const core::Result<QString> host = m_dosDevices.hostPath(qt::text(path));
    if (!host.ok())
        return failed(host.reason());

    // The check and the write mean the same file: the save goes to the end of the links.
    const core::Result<WriteTarget> target = WriteTarget::find(*host.value());
    if (!target.ok())
        return failed(target.reason());
    QSaveFile file(target.value()->file);
    file.setDirectWriteFallback(target.value()->method == core::WriteMethod::InPlace);
    // Unbuffered, so a full disk fails the write itself: with a buffer, the failure comes
    // only when commit() flushes it, and Qt 6.4 then still puts the empty file in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file.errorString().toStdString());
    const auto size = qint64(contents.size());
    if (file.write(contents.data(), size) != size) {
        const std::string reason = file.errorString().toStdString();
        file.cancelWriting();
        return failed(reason);
    }
    if (!file.commit())
        return failed(file.errorString().toStdString());
    return {};
}

} // namespace qt
