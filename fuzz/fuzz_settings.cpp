// Any bytes as the settings file: reading the two values with their defaults, what reading
// and writing leave of the file's other lines, and odd values written and read back, by this
// program and by the INI reader of earlier versions.
#include "FuzzSupport.h"
#include "core/Settings.h"
#include "qt/SettingsFile.h"
#include "qt/SettingsStore.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStringDecoder>
#include <string>

namespace {

using FuzzSupport::Reader;

const core::ConfigValue* const kValues[] = {&core::kWXPath, &core::kCPort};

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
bool keepsOtherLines(const QByteArray& before, const QByteArray& after, const char* name)
{
    const QString key = QLatin1String(core::kConfigGroup) + QLatin1Char('/') + QLatin1String(name);
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

// Why a value cannot be read names a line the file has, and the file: "line 3 of FILE ...".
void checkNamesLine(const std::string& where, const QString& file, const QByteArray& contents)
{
    static const QRegularExpression shape(QStringLiteral("^line ([1-9][0-9]*) of (.*)$"),
                                          QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = shape.match(QString::fromStdString(where));
    UIQ_CHECK(match.hasMatch());
    qsizetype lines = contents.count('\n');
    if (!contents.isEmpty() && !contents.endsWith('\n'))
        ++lines;
    UIQ_CHECK(match.captured(1).toLongLong() <= lines);
    UIQ_CHECK(match.captured(2).startsWith(file + QLatin1Char(' ')));
}

// A value written reads back as written, and the file keeps every other line.
void checkRoundTrip(const qt::SettingsStore& store, const QString& file,
                    const core::ConfigValue& value, const std::string& text)
{
    const QByteArray before = contentsOf(file);
    // The scratch folder is always writable: a write that fails here would lose a setting.
    UIQ_CHECK(store.write(value.name, text).ok());
    const QByteArray written = contentsOf(file);
    UIQ_CHECK(keepsOtherLines(before, written, value.name));
    const core::StoredValue back = store.read(value.name);
    UIQ_CHECK(back.ok() && *back.value() && **back.value() == text);
    // Start-up reads it the same way and has nothing to write back.
    const core::SettingRead read = core::readSetting(store, value);
    UIQ_CHECK(read.text == text && read.stored.ok() && read.readable.ok());
    UIQ_CHECK(contentsOf(file) == written);
}

// Bytes as UTF-8 text, every character kept: QString::fromUtf8 would drop a leading U+FEFF,
// which a pasted path may well begin with.
QString utf8Text(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    return decoder(bytes);
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
    UIQ_CHECK(qt::SettingsStore(file).write(core::kWXPath.name, value.toStdString()).ok());
    QSettings earlier(file, QSettings::IniFormat);
    const QVariant read = earlier.value(QLatin1String(core::kConfigGroup) + QLatin1Char('/') +
                                        QLatin1String(core::kWXPath.name));
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

    const qt::SettingsStore store(file);
    for (const core::ConfigValue* value : kValues) {
        const QByteArray before = contentsOf(file);
        // Looking at a value writes nothing.
        const core::StoredValue found = store.read(value->name);
        UIQ_CHECK(contentsOf(file) == before);
        const core::SettingRead read = core::readSetting(store, *value);
        const QByteArray after = contentsOf(file);
        UIQ_CHECK(keepsOtherLines(before, after, value->name));
        UIQ_CHECK(read.stored.ok());
        if (!found.ok()) {
            // The default stands in, and the line that may hold the value stays as it was.
            UIQ_CHECK(read.text == value->defaultText);
            UIQ_CHECK(!read.readable.ok() && read.readable.reason() == found.reason());
            checkNamesLine(found.reason(), file, before);
            UIQ_CHECK(after == before);
        } else if (const std::optional<std::string>& stored = *found.value()) {
            UIQ_CHECK(read.text == *stored && read.readable.ok());
            UIQ_CHECK(after == before);
        } else {
            UIQ_CHECK(read.text == value->defaultText && read.readable.ok());
        }
        // What was read is there to stay: a stored text, the default written back, or the
        // same unreadable line.
        const core::StoredValue again = store.read(value->name);
        if (!found.ok()) {
            UIQ_CHECK(!again.ok());
        } else {
            UIQ_CHECK(again.ok() && *again.value() && **again.value() == read.text);
        }
    }

    Reader in(data, size);
    const std::uint8_t pick = in.take<std::uint8_t>();
    const QByteArray rest = in.rest();
    const QString odd = kOddValues[(pick >> 1) % std::size(kOddValues)];
    checkRoundTrip(store, file, *kValues[pick & 1], odd.toStdString());
    const std::string path = utf8Text(rest).toStdString();
    checkRoundTrip(store, file, core::kWXPath, path);
    checkRoundTrip(store, file, core::kCPort, QString::fromLatin1(rest).toStdString());
    // Both values live side by side; writing one leaves the other alone.
    const core::StoredValue kept = store.read(core::kWXPath.name);
    UIQ_CHECK(kept.ok() && *kept.value() && **kept.value() == path);
    checkEarlierVersionReads(odd);
    checkEarlierVersionReads(utf8Text(rest));

    return 0;
}
