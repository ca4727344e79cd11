// Any text as a weather-file path, and any number as a COM port, mapped through a Wine prefix
// whose drive C: and COM2 are linked; any bytes as Wine's registry file naming port devices.
#include "FuzzSupport.h"
#include "core/PathRules.h"
#include "core/PortChoice.h"
#include "qt/DosDevices.h"
#include "qt/WinePorts.h"

#include <QDir>
#include <QFile>

namespace {

using FuzzSupport::Reader;

QString prefix;
const DosDevices* dosDevices = nullptr;
const QString kCom2Device = QStringLiteral("/dev/ttyUSB7");

bool isDriveLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

void checkPath(const QString& path)
{
    const core::Result<QString> found = dosDevices->hostPath(path);
    if (!found.ok()) {
        UIQ_CHECK(!found.reason().empty());
        return;
    }
    const QString& host = *found.value();
    // A backslash would end up inside a file name instead of between folders.
    UIQ_CHECK(!host.contains(QLatin1Char('\\')));
    // A control character would cut the name or hide in it.
    const QByteArray utf8 = host.toUtf8();
    UIQ_CHECK(core::refuseControlCharacters(std::string_view(utf8.constData(), size_t(utf8.size())))
                  .ok());
    const bool drivePath = path.size() >= 3 && isDriveLetter(path[0]) && path[1] == u':' &&
                           (path[2] == u'\\' || path[2] == u'/');
    if (!drivePath) {
        UIQ_CHECK(host == path);
        return;
    }
    // Only C: is linked in this prefix, and the name stays on that drive: no ".." is left to
    // climb out of it.
    UIQ_CHECK(path[0] == u'c' || path[0] == u'C');
    const QString root = prefix + QStringLiteral("/dosdevices/c:/");
    UIQ_CHECK(host.startsWith(root));
    const QStringList segments = host.mid(root.size()).split(QLatin1Char('/'));
    UIQ_CHECK(!segments.contains(QStringLiteral("..")));
    // Under Wine the host program would open a device for such a name, not this file.
    const QByteArray onDrive = host.mid(root.size() - 1).toUtf8();
    UIQ_CHECK(
        core::refuseWindowsDevices(std::string_view(onDrive.constData(), size_t(onDrive.size())))
            .ok());
}

void checkPort(int port)
{
    const core::Result<QString> found = dosDevices->serialDevice(port);
    if (port < core::kFirstPort || port > core::kHighestPort) {
        UIQ_CHECK(!found.ok() && !found.reason().empty());
        return;
    }
    UIQ_CHECK(found.ok());
    const QString& device = *found.value();
    if (port == 2)
        UIQ_CHECK(device == kCom2Device);
    else
        UIQ_CHECK(device == QStringLiteral("/dev/ttyS") + QString::number(qint64(port) - 1));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSupport::startApplication(argc, argv);
    prefix = FuzzSupport::scratchFolder() + QStringLiteral("/wine");
    UIQ_CHECK(QDir().mkpath(prefix + QStringLiteral("/dosdevices")));
    UIQ_CHECK(QDir().mkpath(prefix + QStringLiteral("/drive_c")));
    UIQ_CHECK(QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:")));
    UIQ_CHECK(QFile::link(kCom2Device, prefix + QStringLiteral("/dosdevices/com2")));
    dosDevices = new DosDevices(prefix);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkPath(QString::fromUtf8(bytes));
    checkPath(QString::fromLatin1(bytes));
    // UTF-16 as it is, lone surrogates and all, as the settings file's escapes can give it.
    checkPath(QString(reinterpret_cast<const QChar*>(data), qsizetype(size / 2)));

    // The registry's port names: only a text of the input can come back, never more.
    const QString named = WinePorts::deviceIn(bytes, 3);
    UIQ_CHECK(named.size() <= bytes.size());

    Reader in(data, size);
    const std::int32_t port = in.take<std::int32_t>();
    checkPort(port);
    checkPort(port & 7);
    return 0;
}
