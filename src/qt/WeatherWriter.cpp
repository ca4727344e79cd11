#include "qt/WeatherWriter.h"

#include "qt/DosDevices.h"
#include "qt/FolderWrite.h"
#include "qt/Text.h"
#include "qt/WriteTarget.h"

namespace qt {

namespace {

core::WriteAttempt failed(const std::string& reason)
{
    return core::WriteAttempt::failure(reason);
}

} // namespace

core::WriteAttempt WeatherWriter::write(const std::string& path, const std::string& contents)
{
    const core::Result<QString> host = m_dosDevices.hostPath(qt::text(path));
    if (!host.ok())
        return failed(host.reason());

    const core::Result<WriteTarget> found = WriteTarget::find(*host.value());
    if (!found.ok())
        return failed(found.reason());
    const WriteTarget& target = *found.value();
    const core::Outcome written =
        target.method == core::WriteMethod::InPlace
            ? writeInPlace(target.folder.get(), target.name, contents)
            : replaceInFolder(target.folder.get(), target.name, target.mode, contents);
    if (!written.ok())
        return failed(written.reason());
    return core::WriteProgress::Written;
}

} // namespace qt
