// Any bytes as the settings file: reading the two values with their defaults, what reading
// and writing leave of the file's other lines, and odd values written and read back, by this
// program and by the INI reader of earlier versions.
#include "FuzzSupport.h"
#include "core/ConfigValues.h"
#include "settings/Module1.h"
#include "settings/SettingsFile.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>

namespace {

using FuzzSupport::Reader;
using Outcome = Module1::ReadResult::Outcome;

const QString kNames[] = {QLatin1String(core::kWXPath.name), QLatin1String(core::kCPort.name)};
const QString kDefaults[] = {QLatin1String(core::kWXPath.defaultText),
                             QLatin1String(core::kCPort.defaultText)};

// Values that a line format has to escape or quote to keep as text.
const QString kOddValues[] = {
    QString(),
    QStringLiteral(" "),
    QStringLiteral(" padded "),
    QStringLiteral("@Invalid()"),
    QStringLiteral("@ByteArray(x)"),
    QStringLiteral("@Variant(\\0\\0\\0\\x7f)"),
    QStringLiteral("@@x"),
    QStringLiteral("@String(x)"),
    QStringLiteral("a, b"),
    QStringLiteral("a,b,c"),
    QStringLiteral("\"quoted\""),
    QStringLiteral("\"half"),
    QStringLiteral("x=y;z#w"),
    QStringLiteral("[Config]\nWXPath=other"),
    QStringLiteral("C:\\\\UiView\\\\WXprs.txt"),
    QStringLiteral("C:\\xdata\\x1f\\x7\\"),
    QStringLiteral("line\r\nbreak\ttab"),
    QString(QChar(0)) + QStringLiteral("1"),
    QStringLiteral("\u00e9\u00df\u20ac\u00a0\u2028"),
    QStringLiteral("\U0001F321\U0001F321"),
    QStringLiteral("\\x41\\0"),
    QString(70000, QLatin1Char('W')),
};

QByteArray contentsOf(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every line of before but the lines of one value is still in after, in the same order.
bool keepsOtherLines(const QByteArray& before, const QByteArray& after, const QString& name)
{
    const QString key = QLatin1String(core::kConfigGroup) + QLatin1Char('/') + name;
    const QList<QByteArray> afterLines = after.split('\n');
    qsizetype next = 0;
    for (const SettingsFile::Line& line : SettingsFile::parse(before)) {
        if (line.kind == SettingsFile::Line::Kind::Entry && line.group &&
            (line.group->isEmpty() ? line.key : *line.group + QLatin1Char('/') + line.key) == key)
            continue;
        while (next < afterLines.size() && afterLines[next] != line.raw)
            ++next;
        if (next == afterLines.size())
            return false;
        ++next;
    }
    return true;
}

bool checkRoundTrip(const Module1& store, const QString& file, const QString& name,
                    const QString& value)
{
    const QByteArray before = contentsOf(file);
    if (!store.WriteConfigValue(name, value))
        return false;
    UIQ_CHECK(keepsOtherLines(before, contentsOf(file), name));
    QString back;
    UIQ_CHECK(store.ReadConfigValue(name, back, QStringLiteral("\x01not-this")).outcome ==
              Outcome::Stored);
    UIQ_CHECK(back == value);
    return true;
}

bool holdsControl(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return true;
    }
    return false;
}

// A value written into a new file reads the same through Qt's INI format, as an earlier
// version of the program reads it (control characters aside, which no path holds).
void checkEarlierVersionReads(const QString& value)
{
    if (holdsControl(value))
        return;
    const QString file = FuzzSupport::scratchFolder() + QStringLiteral("/earlier.conf");
    QFile::remove(file);
    UIQ_CHECK(Module1(file).WriteConfigValue(kNames[0], value));
    QSettings earlier(file, QSettings::IniFormat);
    const QVariant read =
        earlier.value(QLatin1String(core::kConfigGroup) + QLatin1Char('/') + kNames[0]);
    UIQ_CHECK(read.typeId() == QMetaType::QString && read.toString() == value);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    FuzzSupport::startApplication(argc, argv, true);
    FuzzSupport::scratchFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // QSettings keeps a parsed file by name and reads it again only when its size or time
    // stamp changed; a time stamp of its own for every input makes sure this one is read.
    // (A new name for every input would grow that cache and slow each leak check.)
    static qint64 serial = 0;
    const QString file = FuzzSupport::scratchFolder() + QStringLiteral("/UiQuorvix.conf");
    {
        QFile f(file);
        UIQ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        UIQ_CHECK(f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
        // Written out first, or closing the file would stamp it with the time of day again.
        UIQ_CHECK(f.flush());
        UIQ_CHECK(f.setFileTime(QDateTime::fromSecsSinceEpoch(++serial, Qt::UTC),
                                QFileDevice::FileModificationTime));
    }

    const Module1 store(file);
    for (int i = 0; i < 2; ++i) {
        const QByteArray before = contentsOf(file);
        QString value;
        const Module1::ReadResult read = store.ReadConfigValue(kNames[i], value, kDefaults[i]);
        const QByteArray after = contentsOf(file);
        UIQ_CHECK(keepsOtherLines(before, after, kNames[i]));
        if (read.outcome != Outcome::Defaulted)
            UIQ_CHECK(after == before);
        if (read.outcome != Outcome::Stored)
            UIQ_CHECK(value == kDefaults[i]);
        UIQ_CHECK(read.where.isEmpty() == (read.outcome != Outcome::Unreadable));
        // What was read is there to stay: a stored text, the default written back, or the
        // same unreadable line.
        QString again;
        const Module1::ReadResult second =
            store.ReadConfigValue(kNames[i], again, QStringLiteral("\x02other default"));
        if (read.outcome == Outcome::Unreadable) {
            UIQ_CHECK(second.outcome == Outcome::Unreadable);
        } else {
            UIQ_CHECK(second.outcome == Outcome::Stored);
            UIQ_CHECK(again == value);
        }
    }

    Reader in(data, size);
    const std::uint8_t pick = in.take<std::uint8_t>();
    const QByteArray rest = in.rest();
    const QString odd = kOddValues[(pick >> 1) % std::size(kOddValues)];
    checkRoundTrip(store, file, kNames[pick & 1], odd);
    const bool wrotePath = checkRoundTrip(store, file, kNames[0], QString::fromUtf8(rest));
    checkRoundTrip(store, file, kNames[1], QString::fromLatin1(rest));
    // Both values live side by side; writing one leaves the other alone.
    if (wrotePath) {
        QString path;
        store.ReadConfigValue(kNames[0], path, kDefaults[0]);
        UIQ_CHECK(path == QString::fromUtf8(rest));
    }
    checkEarlierVersionReads(odd);
    checkEarlierVersionReads(QString::fromUtf8(rest));

    return 0;
}
